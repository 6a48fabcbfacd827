#pragma once

#include "data/result.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class Keyset;
class QSqlDatabase;
struct ColumnDefinition;
struct TableDefinition;

/// A column as the file stores it.
struct StoredColumn
{
    QString name;
    bool wholeNumber = false;
    bool document = false;
    /// The type as the engine names it for this column.
    QString type;
};

/// A row's values as the engine stores them, read without a Qt value made of
/// each; it holds only until the next row is read.
class StoredRow
{
public:
    virtual ~StoredRow() = default;
    virtual bool isNull(int column) const = 0;
    /// A text's UTF-8 bytes or a whole number's digits as stored; a document's bytes.
    virtual QByteArrayView bytes(int column) const = 0;
};

/// Takes one row read; a failure stops the reading.
using StoredRowTaker = std::function<Result(const StoredRow &row)>;
/// Reads rows, handing each to the taker it is given.
using StoredRowReading = std::function<Result(const StoredRowTaker &take)>;

/// Everything particular to the database engine behind the data layer: how a
/// connection is opened and set up, how names are quoted, what identifies a
/// row, the statements made from the schema description, and how the file
/// or server describes itself. The record sources and the schema are written
/// against this interface only.
class Engine
{
public:
    virtual ~Engine() = default;

    /// The Qt SQL driver and its connection options.
    virtual QString driverName() const = 0;
    virtual QString connectOptions() const = 0;
    /// Sets up a connection just opened; it is the first read of the file,
    /// so a file that is no database fails here.
    virtual Result prepareConnection(QSqlDatabase &database) const = 0;

    /// The statement that starts a writing transaction: on the file it holds
    /// the file's write lock from its start, waiting within the busy timeout
    /// for another writer to finish; on a server writers lock only the rows
    /// they change.
    virtual QString beginWritingSql() const { return QStringLiteral("BEGIN"); }
    /// What ends a read, in a writing transaction, of the rows about to be
    /// changed so that no other writer changes them before the commit; empty
    /// where the transaction's lock already keeps every other writer out.
    virtual QString lockingReadSuffix() const { return QString(); }
    /// Whether an edit is written by one statement that checks the values
    /// read and changes the row, with no transaction around it: where a
    /// writer locks only its row and nothing of the file must be checked
    /// under the lock first.
    virtual bool writesCheckedInOneStatement() const { return false; }
    /// A condition that a column holds exactly the value of a "?", byte for
    /// byte where it is a text (whatever case rule it compares by), an empty
    /// value matching only an empty one.
    virtual QString holdsExactlySql(const QString &quotedColumn, bool text) const
    {
        Q_UNUSED(text)
        return quotedColumn + QStringLiteral(" IS ?");
    }
    /// The statement that starts a transaction whose reads all see one state
    /// of the database, whatever other programs write meanwhile.
    virtual QString beginSnapshotSql() const { return QStringLiteral("BEGIN"); }
    /// Whether a stored text is the very text a find asked for, compared as
    /// the engine's = compares a text column. The engine's own comparison
    /// picks the candidates; this keeps a NUL or a lone surrogate, which the
    /// engine compares loosely, from matching other texts.
    virtual bool sameText(const QString &stored, const QString &wanted) const
    {
        return stored.compare(wanted, Qt::CaseSensitive) == 0;
    }

    /// Whether a text can be stored as it is, the same on every engine so a
    /// file's texts can always move to a server: a NUL ends a text on its way
    /// to the server, a lone surrogate would arrive as another character.
    bool holdsText(const QString &text) const { return !text.contains(QChar(0)) && text.isValidUtf16(); }
    /// Whether a text reaches the engine whole, so it can be searched for as
    /// it is; one that cannot is in no row.
    virtual bool findsText(const QString &text) const { return text.isValidUtf16(); }

    /// Whether the system's own statement texts, written for the old engine
    /// with [bracketed] names, run here as they are.
    virtual bool takesSystemStatements() const { return false; }

    /// A table or column name as statements write it.
    virtual QString quotedName(const QString &name) const = 0;
    /// The column that identifies a row within its table: a whole number that
    /// grows with each row added and is never reused while the row lives.
    virtual QString rowIdentity() const = 0;

    /// An expression, in a statement over the table, whose value tells apart
    /// the rows that held one identity in turn: the identity and it together
    /// never name two rows, even where the engine gives a deleted row's
    /// identity to a row added later.
    virtual Result rowGeneration(QSqlDatabase &database, const QString &table, QString &expression) const
    {
        Q_UNUSED(database)
        Q_UNUSED(table)
        expression = QStringLiteral("0");
        return Result::success();
    }

    /// An expression over a column that reads its stored value as the engine
    /// holds it, a text or document as its very bytes where the driver would
    /// otherwise decode them, so a copy carries every byte as stored.
    virtual QString storedValue(const QString &quotedColumn) const { return quotedColumn; }
    /// Hands every row of a table, its columns in order, to take as stored,
    /// in the order the rows were added, in the transaction under way if any.
    virtual Result readStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                  const StoredRowTaker &take) const = 0;
    /// Adds to a table, in the transaction under way, every row that read
    /// hands to the taker it is given, as stored (a text's UTF-8 bytes, a
    /// whole number's digits, a document's bytes); added is how many the
    /// engine says it added.
    virtual Result appendStoredRows(QSqlDatabase &database, const TableDefinition &table,
                                    const StoredRowReading &read, qint64 &added) const = 0;

    /// The statements that add the stock ledger's table, its index and the
    /// trigger on MSF that writes a line for every change of an inventory;
    /// each leaves what exists as it is.
    virtual QStringList stockLedgerSql() const = 0;

    /// The statements that add the history's tables, their indexes and the
    /// triggers that record every change of the tables given; each leaves
    /// what exists as it is.
    virtual QStringList historySql(const QVector<TableDefinition> &tables) const = 0;
    /// The statements that drop the history's triggers, if there.
    virtual QStringList dropHistoryTriggersSql() const = 0;
    /// The names of the triggers that record a table's changes.
    virtual QStringList historyTriggerNames(const TableDefinition &table) const = 0;
    /// The names of the triggers the database holds.
    virtual Result storedTriggers(QSqlDatabase &database, QStringList &names) const = 0;
    /// Lets the history know who writes through the connection, where the
    /// engine is not told when the connection is opened; nothing where the
    /// database has no history.
    virtual Result tellHistoryWriter(QSqlDatabase &database) const
    {
        Q_UNUSED(database)
        return Result::success();
    }

    /// The statements that make a table and the index of one of its columns.
    /// Text compares without regard to case, and an index compares as its
    /// column does.
    virtual QString createTableSql(const TableDefinition &table) const = 0;
    virtual QString createIndexSql(const TableDefinition &table, const ColumnDefinition &column) const = 0;
    /// The name of a column's index.
    virtual QString indexName(const TableDefinition &table, const ColumnDefinition &column) const = 0;

    /// Makes the schema's tables the database lacks, and on a server what
    /// goes with them, in one transaction that waits for another program
    /// doing the same; on failure nothing is made. Existing values are never
    /// changed. Both engines' connections make their schema through it.
    virtual Result createMissingSchema(QSqlDatabase &database) const = 0;

    /// Adds what the engine keeps beside the tables so that reading their row
    /// identities stays quick however large they grow.
    virtual Result addKeyCounts(QSqlDatabase &database) const
    {
        Q_UNUSED(database)
        return Result::success();
    }

    /// The tables the engine keeps in the file beside the schema's, for itself.
    virtual QStringList ownTables() const { return {}; }

    /// How a file is opened for reading only, so that opening it changes no
    /// byte of it nor of the files beside it; immutable when nothing can
    /// write it (a read-only folder or medium).
    virtual QString readOnlyConnectOptions() const { return connectOptions(); }
    virtual QString readOnlyDatabaseName(const QString &file, bool immutable) const
    {
        Q_UNUSED(immutable)
        return file;
    }
    /// What the engine's own check of the database finds wrong, one line a
    /// problem: damaged pages on the file, text columns that are not of the
    /// caseless type on the server.
    virtual Result integrityProblems(QSqlDatabase &database, QStringList &problems) const = 0;
    /// The statement that reads the kept row count of every counted table
    /// (its name, its count); empty where the engine keeps none.
    virtual QString keptRowCountsSql() const { return QString(); }

    /// The names of the tables, or of the indexes, that the file holds.
    virtual Result storedTables(QSqlDatabase &database, QStringList &names) const = 0;
    virtual Result storedIndexes(QSqlDatabase &database, QStringList &names) const = 0;
    /// The columns of a stored table, in stored order; none when it is absent.
    virtual Result storedColumns(QSqlDatabase &database, const QString &table,
                                 QVector<StoredColumn> &columns) const = 0;
    /// The columns of every stored table, by its name in lower case, read at
    /// once where the engine can.
    virtual Result storedColumnsOfTables(QSqlDatabase &database, QHash<QString, QVector<StoredColumn>> &tables) const;
    /// The identities of a table's rows, ascending, read in one snapshot.
    virtual Result readKeys(QSqlDatabase &database, const QString &table, Keyset &keys) const = 0;
    /// The same and, where the engine can in the same statement, the values of
    /// rowColumns (a select list over the table) for at most rows rows of the
    /// smallest identities, in identity order, each followed by the columns
    /// of firstRowOnly, which hold their values on the first row only (null
    /// on the others); firstRows is left empty when they were not read with them.
    virtual Result readKeysWithFirstRows(QSqlDatabase &database, const QString &table, const QString &rowColumns,
                                         const QStringList &firstRowOnly, int rows, Keyset &keys,
                                         QVector<QVector<QVariant>> &firstRows) const
    {
        Q_UNUSED(rowColumns)
        Q_UNUSED(firstRowOnly)
        Q_UNUSED(rows)
        firstRows.clear();
        return readKeys(database, table, keys);
    }
};

/// The embedded engine and the server's.
const Engine &sqliteEngine();
const Engine &postgresEngine();
/// The engine behind a connection, known by its driver.
const Engine &engine(const QSqlDatabase &database);
