#include "admin/importvalue.h"

#include "admin/oleobject.h"
#include "data/records/decimalnumber.h"
#include "data/records/document.h"

#include <QDate>
#include <cmath>

namespace {

QString textOf(const JetValue &value)
{
    switch (value.kind) {
    case JetValue::Kind::DateTime:
        return jetDateText(value.value.toDouble());
    case JetValue::Kind::Boolean:
        return value.value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.value.toString();
    }
}

CarriedValue toText(const JetValue &value)
{
    CarriedValue carried;
    if (value.kind == JetValue::Kind::Object || value.kind == JetValue::Kind::Binary) {
        carried.problem = QStringLiteral("OLE 物件或二進位資料不能放進文字欄位,未匯入");
        return carried;
    }
    carried.stored = textOf(value);
    if (value.undecodable)
        carried.problem = QStringLiteral("有無法以此字碼頁解讀的位元組,以 U+FFFD 代替");
    return carried;
}

CarriedValue toWholeNumber(const JetValue &value)
{
    CarriedValue carried;
    if (value.kind == JetValue::Kind::Boolean) {
        carried.stored = value.value.toBool() ? -1 : 0;
        return carried;
    }
    if (value.kind != JetValue::Kind::Number && value.kind != JetValue::Kind::Text) {
        carried.problem = QStringLiteral("「%1」不是數量,未匯入").arg(textOf(value).left(40));
        return carried;
    }
    const QString text = value.value.toString();
    if (text.trimmed().isEmpty())
        return carried;
    DecimalNumber read;
    qint64 number = 0;
    if (DecimalNumber::read(text, read) != DecimalNumber::Reading::Number) {
        carried.problem = QStringLiteral("「%1」不是數字,未匯入").arg(text.left(40));
        return carried;
    }
    if (!read.toWholeNumber(-32768, 32767, number)) {
        carried.problem = QStringLiteral("「%1」超出 -32768 到 32767 的範圍,未匯入").arg(text.left(40));
        return carried;
    }
    carried.stored = int(number);
    if (read.toString() != QString::number(number))
        carried.problem = QStringLiteral("「%1」四捨六入五成雙為 %2").arg(text, QString::number(number));
    return carried;
}

CarriedValue toDocument(const JetValue &value, const QString &documentName)
{
    CarriedValue carried;
    if (value.kind != JetValue::Kind::Object && value.kind != JetValue::Kind::Binary) {
        carried.problem = QStringLiteral("「%1」不是文件,未匯入").arg(textOf(value).left(40));
        return carried;
    }
    const OleContent content = unwrapOleObject(value.value.toByteArray(), documentName);
    const Document document = content.linked ? Document::linked(content.linkedPath, content.mimeType)
                                             : Document::embedded(content.fileName, content.bytes, content.mimeType);
    carried.stored = document.toStored();
    if (!content.understood) {
        carried.documentNotUnderstood = true;
        carried.problem = QStringLiteral("%1,原樣保存為 application/octet-stream").arg(content.why);
    }
    return carried;
}

} // namespace

QString jetDateText(double dayNumber)
{
    constexpr qint64 kSecondsPerDay = 86400;
    const double whole = std::trunc(dayNumber);
    qint64 seconds = qRound64(std::fabs(dayNumber - whole) * kSecondsPerDay);
    QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds >= kSecondsPerDay) {
        date = date.addDays(1);
        seconds -= kSecondsPerDay;
    }
    QString text = QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
    if (seconds != 0)
        text += QStringLiteral(" %1:%2:%3")
                    .arg(seconds / 3600)
                    .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return text;
}

CarriedValue carryValue(const JetValue &value, ColumnType type, const QString &documentName)
{
    if (value.kind == JetValue::Kind::Null)
        return {};
    switch (type) {
    case ColumnType::Text:
        return toText(value);
    case ColumnType::WholeNumber:
        return toWholeNumber(value);
    case ColumnType::Document:
        return toDocument(value, documentName);
    }
    return {};
}
