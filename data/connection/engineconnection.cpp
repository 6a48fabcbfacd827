#include "data/connection/engineconnection.h"

#include "data/engine.h"
#include "data/enginetext.h"
#include "data/tables/history.h"

#include <QAtomicInt>
#include <QHash>
#include <QMutex>
#include <QSqlError>
#include <QSqlQuery>

#include <tuple>

namespace {

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("vemo-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString connectionStringValue(const QString &connectionString, const QString &key)
{
    const QStringList pairs = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const int equals = pair.indexOf(QLatin1Char('='));
        if (equals > 0 && pair.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return pair.mid(equals + 1).trimmed();
    }
    return QString();
}

/// How often each named connection was opened.
struct Openings
{
    QMutex mutex;
    QHash<QString, int> counts;
};

Openings &openingRegistry()
{
    static Openings registry;
    return registry;
}

} // namespace

Result EngineSession::startHistory(QSqlDatabase &database, bool create)
{
    if (create)
        std::ignore = enableHistory(database);
    return engine(database).tellHistoryWriter(database);
}

EngineConnection::EngineConnection() : m_ownName(nextConnectionName()), m_name(m_ownName) {}

EngineConnection::~EngineConnection()
{
    close();
}

Result EngineConnection::open(const QString &databasePath, Missing missing, Sharing sharing)
{
    close();
    m_openedPath = databasePath;
    m_sharing = sharing;
    m_session = EngineSession::forPath(*this, databasePath);
    Result opened = m_session->open(databasePath, missing, sharing);
    if (opened)
        stopResting();
    return opened;
}

Result EngineConnection::openForReading(const QString &databasePath)
{
    close();
    m_openedPath = databasePath;
    m_session = EngineSession::forPath(*this, databasePath);
    return m_session->openForReading(databasePath);
}

Result EngineConnection::openConnectionString(const QString &connectionString, const QString &user,
                                              const QString &password)
{
    Q_UNUSED(user)
    Q_UNUSED(password)
    const QString provider = connectionStringValue(connectionString, QStringLiteral("Provider"));
    if (!provider.startsWith(QStringLiteral("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive))
        return Result::failure(QStringLiteral("不支援的資料提供者 '%1'。").arg(provider));
    const QString source = connectionStringValue(connectionString, QStringLiteral("Data Source"));
    if (source.isEmpty())
        return Result::failure(QStringLiteral("連線字串沒有指定資料來源 (Data Source)。"));
    return open(source, Missing::Create, Sharing::Program);
}

Result EngineConnection::execute(const QString &statement, const QVariantList &values)
{
    if (Result awake = wakeIfResting(); !awake)
        return awake;
    if (!isOpen())
        return Result::failure(QStringLiteral("資料庫連線尚未開啟。"), statement);
    QSqlQuery query(database());
    bool ran = values.isEmpty() ? query.exec(statement) : query.prepare(statement);
    if (ran && !values.isEmpty()) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        ran = query.exec();
    }
    if (!ran)
        return Result::failure(engineText(query.lastError()), statement);
    return Result::success();
}

Result EngineConnection::reopenIfLost()
{
    if (Result inPlace = checkFileInPlace(Use::Writing); !inPlace)
        return inPlace;
    if (isResting())
        return wakeIfResting();
    if (isAwake()) {
        QSqlQuery probe(database());
        if (probe.exec(QStringLiteral("SELECT 1")))
            return Result::success();
    }
    if (m_openedPath.isEmpty())
        return Result::failure(QStringLiteral("資料庫連線尚未開啟。"));
    const QString path = m_openedPath;
    // A lost shared connection goes for all that hold it: the first to come back opens it again.
    if (m_name != m_ownName)
        dropDatabase();
    return open(path, Missing::Fail, m_sharing);
}

Result EngineConnection::checkFileInPlace(Use use) const
{
    return m_session ? m_session->checkInPlace(use) : Result::success();
}

void EngineConnection::leaveFile()
{
    if (m_session)
        m_session->leave();
}

bool EngineConnection::databaseAtOpenedPath() const
{
    return m_session && m_session->presentAtPath();
}

void EngineConnection::close()
{
    if (m_session) {
        m_session->close();
        m_session.reset();
    }
    // The program's shared connection stays for the others that hold it.
    if (m_name != m_ownName) {
        m_name = m_ownName;
        return;
    }
    dropDatabase();
}

void EngineConnection::dropDatabase()
{
    if (!QSqlDatabase::contains(m_name)) {
        forgetKeptStatements();
        return;
    }
    // Gone before its kept statements go, so that they go without a round trip each to drop them:
    // the server drops them with the connection.
    {
        QSqlDatabase database = QSqlDatabase::database(m_name, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    forgetKeptStatements();
}

bool EngineConnection::isOpen() const
{
    return isAwake() || isResting();
}

bool EngineConnection::isAwake() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase EngineConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

int EngineConnection::openings() const
{
    Openings &registry = openingRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.counts.value(m_name);
}

void EngineConnection::countOpening(const QString &name)
{
    Openings &registry = openingRegistry();
    QMutexLocker lock(&registry.mutex);
    ++registry.counts[name];
}
