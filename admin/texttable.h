#pragma once

#include "admin/csv.h"

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
    /// The rows as CSV, fields a spreadsheet would run defused as formulas says.
    QString toCsv(FormulaGuard &formulas) const;

private:
    QStringList m_header;
    QVector<QStringList> m_rows;
};
