#include "data/enginetext.h"
#include "data/records/stockupdate.h"

#include "data/records/criterion.h"
#include "data/records/decimalnumber.h"
#include "data/engine.h"
#include "data/connection/engineconnection.h"
#include "data/schema.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

Result readNumber(const QString &text, const QString &caption, DecimalNumber &out)
{
    switch (DecimalNumber::read(text, out)) {
    case DecimalNumber::Reading::Number:
        return Result::success();
    case DecimalNumber::Reading::Empty:
        return Result::failure(QStringLiteral("「%1」沒有數量,請輸入數字後再試一次。").arg(caption));
    case DecimalNumber::Reading::NotANumber:
        break;
    }
    return Result::failure(
        QStringLiteral("「%1」的內容「%2」不是數字,請改正後再試一次。").arg(caption, quotedInMessage(text)));
}

/// Ends the transaction: commits a success, rolls a failure back.
Result finish(QSqlQuery &query, const Result &outcome)
{
    query.finish();
    if (!outcome) {
        query.exec(QStringLiteral("ROLLBACK"));
        return outcome;
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        const Result failed = Result::failure(engineText(query.lastError()), QStringLiteral("COMMIT"));
        query.exec(QStringLiteral("ROLLBACK"));
        return failed;
    }
    return outcome;
}

/// The one stock the material has in the file; a failure when it has none or several.
Result readStockInFile(EngineConnection &connection, const QString &material, QVariant &stock)
{
    const Engine &db = engine(connection.database());
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                            .arg(db.quotedName(QStringLiteral("inventory")), db.quotedName(QStringLiteral("MSF")),
                                 db.quotedName(QStringLiteral("materielno")))
                      + db.lockingReadSuffix();
    QSqlQuery *kept = nullptr;
    if (Result prepared = connection.keptStatement(sql, kept); !prepared)
        return prepared;
    QSqlQuery &query = *kept;
    query.addBindValue(material);
    if (!query.exec())
        return Result::failure(engineText(query.lastError()), sql);
    int rows = 0;
    while (query.next()) {
        stock = query.value(0);
        ++rows;
    }
    query.finish();
    if (rows == 1)
        return Result::success();
    if (material.isEmpty())
        return Result::failure(QStringLiteral("沒有選擇材料,庫存沒有變更。請在「Material No.」選擇材料後再試一次。"));
    if (rows == 0)
        return Result::failure(QStringLiteral("找不到材料編號「%1」(可能已被刪除),庫存沒有變更。")
                                   .arg(quotedInMessage(material)));
    return Result::failure(QStringLiteral("材料編號「%1」符合 %2 筆材料(編號只差在大小寫),庫存沒有變更。"
                                          "請先在材料庫存畫面改正材料編號。")
                               .arg(quotedInMessage(material))
                               .arg(rows));
}

/// Runs the update itself: the system's own statement text where the engine
/// takes it, else the same update with the figure and material as parameters;
/// how many rows it changed.
Result runUpdate(EngineConnection &connection, StockMovement movement, int newStock, const QString &material,
                 int &changed)
{
    const Engine &db = engine(connection.database());
    if (db.takesSystemStatements()) {
        const QString sql = stockUpdateStatement(movement, newStock, material);
        QSqlQuery query(connection.database());
        if (!query.exec(sql))
            return Result::failure(engineText(query.lastError()), sql);
        changed = query.numRowsAffected();
        return Result::success();
    }
    const QString sql = QStringLiteral("update %1 set %2 = ? where %3 = ?")
                            .arg(db.quotedName(QStringLiteral("MSF")), db.quotedName(QStringLiteral("inventory")),
                                 db.quotedName(QStringLiteral("materielno")));
    QSqlQuery *kept = nullptr;
    if (Result prepared = connection.keptStatement(sql, kept); !prepared)
        return prepared;
    kept->addBindValue(newStock);
    kept->addBindValue(material);
    const bool ran = kept->exec();
    const Result result = ran ? Result::success() : Result::failure(engineText(kept->lastError()), sql);
    changed = kept->numRowsAffected();
    kept->finish();
    return result;
}

} // namespace

QString stockUpdateStatement(StockMovement movement, int newStock, const QString &material)
{
    const QString where = movement == StockMovement::Lending ? QStringLiteral(" where [materielno] = '")
                                                             : QStringLiteral(" where [materielno] ='");
    return QStringLiteral("update [msf]") + QStringLiteral(" set [inventory] = ") + QString::number(newStock) + where
         + quotedValueText(material) + QStringLiteral("';");
}

Result newStock(StockMovement movement, const QString &stockText, const QString &stockCaption,
                const QString &quantityText, const QString &quantityCaption, int &result)
{
    DecimalNumber stock;
    DecimalNumber quantity;
    if (Result read = readNumber(stockText, stockCaption, stock); !read)
        return read;
    if (Result read = readNumber(quantityText, quantityCaption, quantity); !read)
        return read;
    if (quantity.isNegative())
        return Result::failure(QStringLiteral("「%1」不能是負數(輸入的是 %2),庫存沒有變更。")
                                   .arg(quantityCaption, quotedInMessage(quantityText.trimmed())));
    const DecimalNumber after = movement == StockMovement::Lending ? stock.minus(quantity) : stock.plus(quantity);
    qint64 rounded = 0;
    if (!after.toWholeNumber(kWholeNumberMinimum, kWholeNumberMaximum, rounded))
        return Result::failure(QStringLiteral("計算出的庫存數量超出 -32768 到 32767 的範圍,庫存沒有變更。"));
    result = int(rounded);
    return Result::success();
}

Result executeStockUpdate(StockMovement movement, int newStock, const QString &material, const QString &stockText)
{
    EngineConnection connection;
    if (Result opened = connection.open(kStockDatabasePath, EngineConnection::Missing::Fail, EngineConnection::Sharing::Program);
        !opened)
        return opened;
    QSqlDatabase database = connection.database();
    const Engine &db = engine(database);
    QSqlQuery query(database);
    const QString begin = db.beginWritingSql();
    if (!query.exec(begin))
        return finish(query, Result::failure(engineText(query.lastError()), begin));
    QVariant inFile;
    if (Result read = readStockInFile(connection, material, inFile); !read)
        return finish(query, read);
    DecimalNumber computedFrom;
    DecimalNumber now;
    DecimalNumber::read(stockText, computedFrom);
    if (inFile.isNull() || DecimalNumber::read(inFile.toString(), now) != DecimalNumber::Reading::Number
        || !(now == computedFrom)) {
        const QString again = movement == StockMovement::Lending ? QStringLiteral("借出") : QStringLiteral("歸還");
        const QString shown = inFile.isNull() ? QStringLiteral("空白") : inFile.toString();
        return finish(query, Result::failure(QStringLiteral("庫存已經變更為 %1,請按 Stock capacity 重新查詢後再%2。")
                                                 .arg(shown, again)));
    }
    int changed = 0;
    if (Result updated = runUpdate(connection, movement, newStock, material, changed); !updated)
        return finish(query, updated);
    if (changed != 1)
        return finish(query, Result::failure(QStringLiteral("庫存更新改到了 %1 筆材料,已全部復原,庫存沒有變更。")
                                                 .arg(changed)));
    return finish(query, Result::success());
}
