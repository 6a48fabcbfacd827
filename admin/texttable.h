#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

/// Rows under a header as plain text in aligned columns (a Chinese
/// character takes two), or as CSV.
class TextTable
{
public:
    explicit TextTable(QStringList header) : m_header(std::move(header)) {}

    void addRow(const QStringList &row) { m_rows << row; }
    bool isEmpty() const { return m_rows.isEmpty(); }
    QString toText() const;
    QString toCsv() const;

private:
    QStringList m_header;
    QVector<QStringList> m_rows;
};
