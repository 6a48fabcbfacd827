#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <QStringView>

/// How fields a spreadsheet would run as formulas are written. By default
/// each is defused, as OWASP advises against CSV injection, by a single
/// quote before it, and counted; exact writes every field as stored, for a
/// round trip into another database.
class FormulaGuard
{
public:
    explicit FormulaGuard(bool exact = false) : m_exact(exact) {}

    /// Whether a spreadsheet would read the field as a formula: it begins
    /// with =, +, -, @, a tab or a carriage return and is not a plain
    /// number ("-5" and "+3.5" stay numbers).
    static bool isFormula(QStringView field);
    static bool isFormula(QByteArrayView utf8);

    /// The quote to write before the field, counted, or nothing.
    QByteArrayView prefixFor(bool formula);
    qint64 defused() const { return m_defused; }
    /// The sentence telling how many fields were defused and how to have
    /// them exactly; empty when none was.
    QString note() const;

private:
    bool m_exact;
    qint64 m_defused = 0;
};

/// --exact, the same in every command that writes CSV.
QCommandLineOption exactCsvOption();

/// One CSV record (RFC 4180): fields quoted when they hold a comma, a quote
/// or a line break, quotes doubled, ended by CRLF.
QString csvRecord(const QStringList &fields, FormulaGuard &formulas);

/// One field of such a record appended in UTF-8 to the record's bytes, for
/// writers of many records that build no list of fields.
void appendCsvField(QByteArray &record, QStringView field, FormulaGuard &formulas);

/// The same for a field that is UTF-8 bytes already, copied as they are.
void appendCsvField(QByteArray &record, QByteArrayView utf8, FormulaGuard &formulas);
