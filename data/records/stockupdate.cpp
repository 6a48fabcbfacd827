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

/// Exactly one material has the number; a failure saying what was found if not.
Result oneMaterial(const QString &material, int rows)
{
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
    return oneMaterial(material, rows);
}

/// The stock read is the one the new figure was computed from; a failure telling the stock now if not.
Result sameStock(StockMovement movement, const QVariant &inFile, const QString &stockText)
{
    DecimalNumber computedFrom;
    DecimalNumber now;
    DecimalNumber::read(stockText, computedFrom);
    if (!inFile.isNull() && DecimalNumber::read(inFile.toString(), now) == DecimalNumber::Reading::Number
        && now == computedFrom)
        return Result::success();
    const QString again = movement == StockMovement::Lending ? QStringLiteral("借出") : QStringLiteral("歸還");
    const QString shown = inFile.isNull() ? QStringLiteral("空白") : inFile.toString();
    return Result::failure(QStringLiteral("庫存已經變更為 %1,請按 Stock capacity 重新查詢後再%2。").arg(shown, again));
}

/// Where a writer locks only its row: one statement, its own transaction, that
/// counts the materials with the number, reads the stock and writes the new one
/// only when exactly one material has it and its stock is still the one read
/// on the screen, checked again once any other writer of the row is done.
Result updateCheckedInOneStatement(EngineConnection &connection, StockMovement movement, int newStock,
                                   const QString &material, const QString &stockText)
{
    const Engine &db = engine(connection.database());
    const QString sql =
        QStringLiteral("WITH found AS (SELECT %2 FROM %1 WHERE %3 = ?), "
                       "changed AS (UPDATE %1 SET %2 = ? WHERE %3 = ? AND %2 = ? AND (SELECT count(*) FROM found) = 1 "
                       "RETURNING 1) "
                       "SELECT (SELECT count(*) FROM found), (SELECT min(%2) FROM found), (SELECT count(*) FROM changed)")
            .arg(db.quotedName(QStringLiteral("MSF")), db.quotedName(QStringLiteral("inventory")),
                 db.quotedName(QStringLiteral("materielno")));
    DecimalNumber computedFrom;
    DecimalNumber rounded;
    qint64 readStock = 0;
    const bool whole = DecimalNumber::read(stockText, computedFrom) == DecimalNumber::Reading::Number
                    && computedFrom.toWholeNumber(kWholeNumberMinimum, kWholeNumberMaximum, readStock)
                    && DecimalNumber::read(QString::number(readStock), rounded) == DecimalNumber::Reading::Number
                    && rounded == computedFrom;
    QSqlQuery *kept = nullptr;
    if (Result prepared = connection.keptStatement(sql, kept); !prepared)
        return prepared;
    kept->addBindValue(material);
    kept->addBindValue(newStock);
    kept->addBindValue(material);
    // A stock on the screen that is no whole number is in no row: nothing is written, and the stock is told.
    kept->addBindValue(whole ? QVariant(readStock) : QVariant(QMetaType(QMetaType::LongLong)));
    if (!kept->exec() || !kept->next()) {
        const Result failed = Result::failure(engineText(kept->lastError()), sql);
        kept->finish();
        return failed;
    }
    const int materials = kept->value(0).toInt();
    const QVariant inFile = kept->value(1);
    const int changed = kept->value(2).toInt();
    kept->finish();
    if (Result one = oneMaterial(material, materials); !one)
        return one;
    if (changed == 1)
        return Result::success();
    if (changed != 0)
        return Result::failure(QStringLiteral("庫存更新改到了 %1 筆材料,已全部復原,庫存沒有變更。").arg(changed));
    if (Result same = sameStock(movement, inFile, stockText); !same)
        return same;
    // Read as it was but changed by another writer before this one's turn: its figure is not known here.
    const QString again = movement == StockMovement::Lending ? QStringLiteral("借出") : QStringLiteral("歸還");
    return Result::failure(QStringLiteral("庫存剛被別的使用者變更,請按 Stock capacity 重新查詢後再%1。").arg(again));
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
    if (db.writesCheckedInOneStatement())
        return updateCheckedInOneStatement(connection, movement, newStock, material, stockText);
    QSqlQuery query(database);
    const QString begin = db.beginWritingSql();
    if (!query.exec(begin))
        return finish(query, Result::failure(engineText(query.lastError()), begin));
    QVariant inFile;
    if (Result read = readStockInFile(connection, material, inFile); !read)
        return finish(query, read);
    if (Result same = sameStock(movement, inFile, stockText); !same)
        return finish(query, same);
    int changed = 0;
    if (Result updated = runUpdate(connection, movement, newStock, material, changed); !updated)
        return finish(query, updated);
    if (changed != 1)
        return finish(query, Result::failure(QStringLiteral("庫存更新改到了 %1 筆材料,已全部復原,庫存沒有變更。")
                                                 .arg(changed)));
    return finish(query, Result::success());
}
