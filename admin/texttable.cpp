#include "admin/texttable.h"

#include "admin/csv.h"

namespace {

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
        || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
}

int displayWidth(const QString &text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += isWide(c) ? 2 : 1;
    return width;
}

QString oneLine(QString text)
{
    return text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

QString TextTable::toText() const
{
    QVector<QStringList> all{m_header};
    for (const QStringList &row : m_rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells << oneLine(cell);
        all << cells;
    }
    QVector<int> widths(m_header.size(), 0);
    for (const QStringList &row : all)
        for (int i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = qMax(widths.at(i), displayWidth(row.at(i)));
    QString text;
    for (const QStringList &row : all) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += row.at(i) + QString(widths.at(i) - displayWidth(row.at(i)) + 2, QLatin1Char(' '));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

QString TextTable::toCsv(FormulaGuard &formulas) const
{
    QString text = csvRecord(m_header, formulas);
    for (const QStringList &row : m_rows)
        text += csvRecord(row, formulas);
    return text;
}
