#include "data/connection/engineconnection.h"

#include "data/enginetext.h"

#include <QSqlError>
#include <QSqlQuery>

#include <map>
#include <memory>

// Statements prepared once on a connection and kept while it stays open, so
// that a move, a find or a save sends only the statement's execution; on a
// shared connection every holder finds what another prepared.

namespace {

struct KeptStatements
{
    int opening = 0;
    std::map<QString, std::unique_ptr<QSqlQuery>> statements;
};

/// By connection name; used from the thread that runs the screens only.
std::map<QString, KeptStatements> &keptStatements()
{
    static std::map<QString, KeptStatements> kept;
    return kept;
}

} // namespace

Result EngineConnection::keptStatement(const QString &sql, QSqlQuery *&query)
{
    if (Result awake = wakeIfResting(); !awake)
        return awake;
    if (!isOpen())
        return Result::failure(QStringLiteral("資料庫連線尚未開啟。"), sql);
    KeptStatements &kept = keptStatements()[m_name];
    // Statements prepared before the connection was opened again went with it.
    if (kept.opening != openings()) {
        kept.statements.clear();
        kept.opening = openings();
    }
    std::unique_ptr<QSqlQuery> &statement = kept.statements[sql];
    if (!statement) {
        auto made = std::make_unique<QSqlQuery>(database());
        made->setForwardOnly(true);
        if (!made->prepare(sql)) {
            const Result failed = Result::failure(engineText(made->lastError()), sql);
            kept.statements.erase(sql);
            return failed;
        }
        statement = std::move(made);
    }
    query = statement.get();
    return Result::success();
}

void EngineConnection::forgetKeptStatements()
{
    forgetKeptStatementsOf(m_name);
}

void EngineConnection::forgetKeptStatementsOf(const QString &name)
{
    keptStatements().erase(name);
}
