#include "admin/csv.h"

#include <QRegularExpression>
#include <QStringEncoder>

#include <algorithm>

namespace {

bool needsQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            return true;
    }
    return false;
}

QString csvField(QString field, FormulaGuard &formulas)
{
    field.prepend(QString::fromLatin1(formulas.prefixFor(FormulaGuard::isFormula(field))));
    if (!needsQuotes(field))
        return field;
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

bool startsFormula(char first)
{
    return first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' || first == '\r';
}

bool plainNumber(QStringView field)
{
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?[0-9]+(\.[0-9]+)?$)"));
    return number.match(field.toString()).hasMatch();
}

void appendUtf8(QByteArray &out, QStringView text)
{
    // UTF-8 takes at most three bytes for each UTF-16 unit.
    const qsizetype start = out.size();
    out.resize(start + 3 * text.size());
    QStringEncoder encoder(QStringEncoder::Utf8);
    char *end = encoder.appendToBuffer(out.data() + start, text);
    out.truncate(end - out.constData());
}

} // namespace

bool FormulaGuard::isFormula(QStringView field)
{
    return !field.isEmpty() && field.front().unicode() < 0x80 && startsFormula(char(field.front().unicode())) && !plainNumber(field);
}

bool FormulaGuard::isFormula(QByteArrayView utf8)
{
    return !utf8.isEmpty() && startsFormula(utf8.front()) && !plainNumber(QString::fromUtf8(utf8));
}

QByteArrayView FormulaGuard::prefixFor(bool formula)
{
    if (!formula || m_exact)
        return {};
    ++m_defused;
    return "'";
}

QString FormulaGuard::note() const
{
    if (m_defused == 0)
        return {};
    return QStringLiteral("有 %1 個欄位以 =、+、-、@、Tab 或 CR 開頭,試算表會把它當成公式執行,已在前面加上單引號 ';"
                          "要寫出原來的值請加上 --exact。")
        .arg(m_defused);
}

QCommandLineOption exactCsvOption()
{
    return QCommandLineOption(QStringLiteral("exact"),
                              QStringLiteral("CSV 的欄位照原值寫出,不在會被試算表當成公式的欄位前加單引號 (給要匯入另一個資料庫的人)。"));
}

QString csvRecord(const QStringList &fields, FormulaGuard &formulas)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &field : fields)
        quoted << csvField(field, formulas);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

void appendCsvField(QByteArray &record, QStringView field, FormulaGuard &formulas)
{
    const QByteArrayView prefix = formulas.prefixFor(FormulaGuard::isFormula(field));
    if (!needsQuotes(field)) {
        record.append(prefix);
        appendUtf8(record, field);
        return;
    }
    record += '"';
    record.append(prefix);
    appendUtf8(record, QString(field.toString()).replace(QLatin1Char('"'), QStringLiteral("\"\"")));
    record += '"';
}

void appendCsvField(QByteArray &record, QByteArrayView utf8, FormulaGuard &formulas)
{
    const QByteArrayView prefix = formulas.prefixFor(FormulaGuard::isFormula(utf8));
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; };
    if (std::none_of(utf8.begin(), utf8.end(), special)) {
        record.append(prefix);
        record.append(utf8);
        return;
    }
    record += '"';
    record.append(prefix);
    for (const char c : utf8) {
        if (c == '"')
            record += '"';
        record += c;
    }
    record += '"';
}
