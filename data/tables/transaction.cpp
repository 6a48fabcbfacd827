#include "data/tables/transaction.h"

#include "data/engine.h"
#include "data/enginetext.h"

#include <QSqlError>
#include <QSqlQuery>

Result Transaction::begin(Kind kind)
{
    const Engine &stored = engine(m_database);
    const QString sql = kind == Kind::Writing ? stored.beginWritingSql() : stored.beginSnapshotSql();
    QSqlQuery query(m_database);
    m_open = true;
    if (query.exec(sql))
        return Result::success();
    // A begin that failed part-way may have left a transaction open that would refuse every later statement.
    const Result failed = Result::failure(engineText(query.lastError()), sql);
    rollBack();
    return failed;
}

Result Transaction::end(const Result &outcome)
{
    if (!outcome) {
        rollBack();
        return outcome;
    }
    const QString sql = QStringLiteral("COMMIT");
    QSqlQuery query(m_database);
    if (query.exec(sql)) {
        m_open = false;
        return outcome;
    }
    const Result failed = Result::failure(engineText(query.lastError()), sql);
    rollBack();
    return failed;
}

void Transaction::rollBack()
{
    if (!m_open)
        return;
    m_open = false;
    // A connection the server dropped has ended the transaction already.
    if (m_database.isOpen())
        QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK"));
}
