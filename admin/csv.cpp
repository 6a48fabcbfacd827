#include "admin/csv.h"

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

QString csvField(QString field)
{
    if (!needsQuotes(field))
        return field;
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
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

QString csvRecord(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

void appendCsvField(QByteArray &record, QStringView field)
{
    if (!needsQuotes(field)) {
        appendUtf8(record, field);
        return;
    }
    record += '"';
    appendUtf8(record, QString(field.toString()).replace(QLatin1Char('"'), QStringLiteral("\"\"")));
    record += '"';
}

void appendCsvField(QByteArray &record, QByteArrayView utf8)
{
    const auto special = [](char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; };
    if (std::none_of(utf8.begin(), utf8.end(), special)) {
        record.append(utf8);
        return;
    }
    record += '"';
    for (const char c : utf8) {
        if (c == '"')
            record += '"';
        record += c;
    }
    record += '"';
}
