#include "data/engineconnection.h"

#include "data/databaselocation.h"
#include "data/engine.h"
#include "data/schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
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

} // namespace

QString engineText(const QSqlError &error)
{
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

EngineConnection::EngineConnection() : m_name(nextConnectionName()) {}

EngineConnection::~EngineConnection()
{
    close();
}

Result EngineConnection::open(const QString &databasePath, Missing missing)
{
    close();
    const QString file = mappedDatabaseFile(databasePath);
    // An empty file is a database with no tables yet: it gets the schema too.
    const bool isNew = QFileInfo(file).size() == 0;
    if (isNew && missing == Missing::Fail)
        return Result::failure(QStringLiteral("找不到資料庫檔案 '%1'。").arg(QDir::toNativeSeparators(file)));
    if (isNew && !QDir().mkpath(QFileInfo(file).absolutePath()))
        return Result::failure(QStringLiteral("無法建立資料夾 '%1'。")
                                   .arg(QDir::toNativeSeparators(QFileInfo(file).absolutePath())));

    Result result = openFile(file, isNew);
    if (result && missing == Missing::Create) {
        QSqlDatabase opened = database();
        // Indexes only speed finds up: a file that cannot take them still opens.
        std::ignore = createMissingIndexes(opened);
    }
    if (!result) {
        close();
        if (isNew)
            QFile::remove(file);
    }
    return result;
}

Result EngineConnection::openFile(const QString &file, bool create)
{
    QSqlDatabase database = QSqlDatabase::addDatabase(engine().driverName(), m_name);
    database.setDatabaseName(file);
    database.setConnectOptions(engine().connectOptions());
    if (!database.open())
        return Result::failure(engineText(database.lastError()));
    Result result = engine().prepareConnection(database);
    if (result && create)
        result = createSchema(database);
    return result;
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
    return open(source, Missing::Create);
}

Result EngineConnection::execute(const QString &statement)
{
    if (!isOpen())
        return Result::failure(QStringLiteral("資料庫連線尚未開啟。"), statement);
    QSqlQuery query(database());
    if (!query.exec(statement))
        return Result::failure(engineText(query.lastError()), statement);
    return Result::success();
}

void EngineConnection::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase database = QSqlDatabase::database(m_name, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool EngineConnection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase EngineConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
