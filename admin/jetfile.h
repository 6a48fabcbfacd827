#pragma once

#include "data/result.h"

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

/// One value of a row of a Jet table, as the old engine stored it.
struct JetValue
{
    enum class Kind { Null, Text, Number, DateTime, Boolean, Object, Binary };
    Kind kind = Kind::Null;
    /// Text: the decoded text. Number: its exact decimal text. DateTime: the
    /// engine's day number (days since 1899-12-30, time as the fraction).
    /// Boolean: bool. Object, Binary: the bytes.
    QVariant value;
    /// Text only: some bytes were not text of the code page and are shown as U+FFFD.
    bool undecodable = false;
};

struct JetTable
{
    QString name;
    QStringList columns;
    /// The row count the table's definition holds.
    qint64 rowCount = 0;
    /// Each column's type as Access names it, with its size where it has one.
    QStringList columnTypes;
};

/// A Jet (Access) database file read through libmdb.
class JetFile
{
public:
    JetFile();
    ~JetFile();
    JetFile(const JetFile &) = delete;
    JetFile &operator=(const JetFile &) = delete;

    /// Opens the file read-only and reads its tables' definitions. Text of a
    /// Jet 3 file is decoded from codePage (an iconv name); Jet 4 and later
    /// hold Unicode. A failure says why the file cannot be read, that a
    /// table's definition is damaged, or that the code page is unknown.
    Result open(const QString &path, const QString &codePage);
    bool isJet3() const;
    /// The user tables, in the order the file lists them.
    QVector<JetTable> tables() const;

    /// Calls row for every row of the table in stored order; a false from
    /// row stops the reading early (not a failure). A table whose rows differ
    /// from its definition's row count, whose pages lead back to one already
    /// read, or whose memo or object runs past its stated length is damaged:
    /// the reading stops there and fails saying so.
    Result readRows(const QString &table, const std::function<bool(const QVector<JetValue> &)> &row);
    /// What libmdb printed while reading, summed up in one line (empty when nothing).
    QString warnings() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
