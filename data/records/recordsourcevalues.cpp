#include "data/records/recordsource.h"

#include "data/records/decimalnumber.h"
#include "data/engine.h"
#include "data/schema.h"

// The values a row takes: each edit checked before it is written and stored
// as its column holds it, and the user told of values changed meanwhile.

namespace {

QString shownInQuestion(const QVariant &value)
{
    if (value.isNull() || value.toString().isEmpty())
        return QStringLiteral("空白");
    if (value.typeId() == QMetaType::QByteArray)
        return QStringLiteral("文件");
    return quotedInMessage(value.toString());
}

} // namespace

QString RecordSource::describeConflicts(const QVector<EditConflict> &conflicts)
{
    QString text;
    for (const EditConflict &conflict : conflicts)
        text += QStringLiteral("「%1」已經被改為 %2(您讀到的是 %3,輸入的是 %4)。")
                    .arg(conflict.caption, shownInQuestion(conflict.now), shownInQuestion(conflict.read),
                         shownInQuestion(conflict.typed));
    return text;
}

Result RecordSource::checkValue(int column, const QVariant &value) const
{
    if (value.isNull() || isDocumentColumn(column))
        return Result::success();
    const QString text = value.toString();
    const QString caption = m_captions.value(column, m_columns.at(column));
    if (!engine().holdsText(text))
        return Result::failure(kCannotSave
                               + QStringLiteral("「%1」含有資料庫無法儲存的字元(NUL 或不成對的代理字元),請刪除後再試一次。")
                                     .arg(caption));
    if (!m_wholeNumberColumns.value(column))
        return Result::success();
    DecimalNumber number;
    qint64 whole = 0;
    switch (DecimalNumber::read(text, number)) {
    case DecimalNumber::Reading::Empty:
        return Result::success();
    case DecimalNumber::Reading::NotANumber:
        return Result::failure(kCannotSave
                               + QStringLiteral("「%1」只能輸入數字,「%2」不是數字。").arg(caption, quotedInMessage(text)));
    case DecimalNumber::Reading::Number:
        if (number.toWholeNumber(kWholeNumberMinimum, kWholeNumberMaximum, whole))
            return Result::success();
        break;
    }
    return Result::failure(kCannotSave
                           + QStringLiteral("「%1」只能輸入 %2 到 %3 之間的整數,「%4」超出範圍。")
                                 .arg(caption)
                                 .arg(kWholeNumberMinimum)
                                 .arg(kWholeNumberMaximum)
                                 .arg(quotedInMessage(text)));
}

QVariant RecordSource::storedValue(int column, const QVariant &value) const
{
    if (!m_wholeNumberColumns.value(column) || value.isNull())
        return value;
    // A cleared quantity field means no quantity; a decimal is stored rounded half to even.
    DecimalNumber number;
    qint64 whole = 0;
    if (DecimalNumber::read(value.toString(), number) != DecimalNumber::Reading::Number
        || !number.toWholeNumber(kWholeNumberMinimum, kWholeNumberMaximum, whole))
        return QVariant();
    return qlonglong(whole);
}
