#pragma once

#include "data/connection/engineconnection.h"
#include "data/records/keyset.h"
#include "data/result.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

/// A field whose value another connection changed between the read and the
/// write of an edit of it.
struct EditConflict
{
    int column = -1;
    QString caption;
    QVariant read;
    QVariant now;
    QVariant typed;
};

/// Asked when edits meet changes made meanwhile: true to write the typed
/// values over, false to drop them and show the row as the file has it.
using ConflictResolver = std::function<bool(const QVector<EditConflict> &)>;

class Engine;

/// What a row's read found in another table for a column's value: the first
/// row there, by identity, whose bound column holds it; identity -1 when none.
struct LookedUp
{
    QString code;
    qint64 identity = -1;
    QString shown;
    QString bound;
};

/// An updatable keyset cursor over one table, like the old engine's dynaset.
///
/// Opening reads the identities of all rows in the table's own order;
/// row values are read on demand, and the current row is read afresh on every
/// move, so a change made through another connection shows once the row is
/// read again. Edits to the current row stay in an edit buffer until the
/// source moves off the row or writePendingEdits() is called; only the edited
/// columns are written. Every operation that can fail returns the failure with
/// the engine's text and leaves the position and the edit buffer as they were.
class RecordSource : public QObject
{
    Q_OBJECT

public:
    explicit RecordSource(const QString &name, QObject *parent = nullptr);

    /// Opens on a table of the database; stands on its first row.
    Result open(const QString &databasePath, const QString &table);
    /// The document columns a screen shows, told before opening: read whole
    /// with the first row, not each by a read of its own.
    void showDocuments(const QStringList &columns);
    bool isOpen() const;
    QString table() const { return m_table; }
    QStringList columnNames() const { return m_columns; }
    /// The column's index, matched without regard to case; -1 when absent.
    int columnIndex(const QString &column) const;
    /// A column that holds documents: read only for the current row.
    bool isDocumentColumn(int column) const { return m_documentColumns.value(column); }
    bool isWholeNumberColumn(int column) const { return m_wholeNumberColumns.value(column); }
    /// The caption the user knows the column by, for the messages that name it.
    void setColumnCaption(int column, const QString &caption);

    bool isBeforeFirst() const;
    bool isAfterLast() const;
    bool noMatch() const { return m_noMatch; }
    bool isAddingNew() const { return m_adding; }
    /// An existing row is current: not before-first, not after-last, not the
    /// place of a row deleted by deleteCurrent().
    bool hasCurrentRow() const;
    /// A row can take edits: an existing current row or a pending new one.
    bool isEditable() const { return hasCurrentRow() || m_adding; }
    bool hasPendingEdits() const { return !m_edits.isEmpty(); }
    int rowCount() const { return int(m_keys.size()); }
    /// The keyset index of the current row; -1 when no existing row is current.
    int currentIndex() const { return hasCurrentRow() ? m_position : -1; }

    /// The position mark of the current row (during an add, of the row that
    /// was current before it); invalid when there is none.
    QVariant bookmark() const;
    Result setBookmark(const QVariant &bookmark);

    Result moveFirst();
    Result moveLast();
    Result moveNext();
    Result movePrevious();
    Result moveTo(int index);

    /// The first / next row in keyset order that meets the criterion becomes
    /// current; when none does, noMatch() is set and the position is kept.
    /// Pending edits are written first, as on a move; a refused write fails
    /// the find.
    Result findFirst(const QString &criterion);
    Result findNext(const QString &criterion);

    /// Starts a blank pending row, not yet in the file.
    Result addNew();
    /// Writes the pending row or the edits of the current row. The written
    /// new row becomes the current row. Fails when there is nothing to write.
    Result update();
    /// Removes the current row (a pending new row is dropped instead). No move
    /// follows: the place stays current with no row until the next move.
    Result deleteCurrent();
    /// Writes what the edit buffer holds, as moving off the row does. A
    /// pending new row in which nothing was entered is dropped.
    ///
    /// An edit is written only if its column still holds, in the file, the
    /// value read; otherwise nothing is written and the resolver decides
    /// (without one, the write fails). Columns not edited are never checked,
    /// so edits of other columns made elsewhere stay. An edit equal to the
    /// value read is no change and is not written. A row deleted elsewhere is
    /// never written back.
    Result writePendingEdits();
    /// Drops the edit buffer and a pending new row; the current row is read
    /// again from the file.
    void discardEdits();
    void setConflictResolver(ConflictResolver resolver) { m_conflictResolver = std::move(resolver); }
    /// One sentence per field: "「caption」已經被改為 now(您讀到的是 read,輸入的是 typed)。"
    static QString describeConflicts(const QVector<EditConflict> &conflicts);

    QVariant value(int column) const;
    QVariant value(const QString &column) const { return value(columnIndex(column)); }
    /// Puts a value in the edit buffer of the current or pending row; refused
    /// (false) when no row can take edits.
    bool setValue(int column, const QVariant &value);
    bool setValue(const QString &column, const QVariant &value) { return setValue(columnIndex(column), value); }

    /// The value of any row by keyset index, for the grid: the current row
    /// with its edits, other rows from a small cache filled in chunks. Of a
    /// row that is not current, a document column gives its stored length in
    /// bytes (null when empty), never the document.
    QVariant valueAt(int index, int column) const;

    /// The values of a row that a chunk or the opening has read and still
    /// holds, a document column as its length; false when none are held.
    bool heldRow(qint64 key, QVector<QVariant> &row) const;

    /// The row identities as they stand, for lists that keep them.
    Keyset keys() const { return m_keys; }
    /// The connection the source reads through, for lists that read alongside it.
    QSqlDatabase database() const;
    /// The engine of the database it was opened on, known also while its
    /// shared connection rests.
    const Engine &engine() const;
    /// A reader sharing the connection tells that a read through it failed;
    /// the next command, or reopenAfterFailure(), opens it again if the
    /// database no longer answers on it.
    void readFailed() const;
    /// Opens the connection again after a failed read when the database no
    /// longer answers on it (a server restarted); a failure when it cannot.
    /// Called in answer to the user, as it may wait for the server.
    Result reopenAfterFailure() const;
    /// A statement prepared once on the source's connection and kept for
    /// every later use of the same text, also by lists that read alongside
    /// the source; the connection owns it, the caller binds, runs and finishes it.
    Result preparedRead(const QString &sql, QSqlQuery *&query) const;
    /// Runs, on the source's connection, a read whose values are whole numbers
    /// written into its text: one round trip with nothing prepared, as cheap
    /// as a kept statement's run and dearer only where a statement is kept.
    Result plainRead(const QString &sql, QSqlQuery &query) const;
    /// Reads with every row, in the same statement, what a list showing the
    /// text column's value finds in another table's text columns: a move then
    /// also reads what its lists show.
    void lookUpWithRows(int column, const QString &table, const QString &boundColumn, const QString &shownColumn);
    /// What the current row's read found for the list, when code is the value
    /// it was read for; false when it was not read with the row.
    bool lookedUpWithRow(int column, const QString &table, const QString &boundColumn, const QString &shownColumn,
                         const QString &code, LookedUp &found) const;

signals:
    /// The current row changed through a move, a find or a bookmark.
    void repositioned();
    /// What the bound controls show must be read again.
    void currentChanged();
    void valueEdited(int column);
    void keysetReset();
    void rowAboutToBeInserted(int index);
    void rowInserted(int index);
    void rowAboutToBeRemoved(int index);
    void rowRemoved(int index);
    void rowWritten(int index);

private:
    /// Rows the grid reads at a time, and the rows read with the identities on opening.
    static constexpr int kChunkRows = 64;

    /// Another source let go of the file this one reads: once no command runs, it reads the file now there too.
    void followLeftFile(const QString &databasePath);
    Result failIfClosed();
    /// Keeps the rows read with the identities for the grid and stands on the
    /// first, with the shown documents read whole after its columns; reads
    /// the first row when they were not read with the identities.
    Result standOnFirstRow(const QVector<QVector<QVariant>> &firstRows, const QVector<bool> &shownDocuments);
    /// A source whose file was replaced or removed lets go of it and reads the
    /// file now at the path afresh, failing with what happened so that the
    /// command stops; with edits pending it refuses to write them, keeping
    /// them for the user to give up.
    Result followFileAtPath(const Result &moved);
    Result failure(const QSqlQuery &query, const QString &sql) const;
    /// A row as a move or a find reads it: a row deleted elsewhere reads as
    /// empty fields of generation -1; the documents shown on the row before
    /// are read with it (documentsRead).
    struct RowRead
    {
        QVector<QVariant> values;
        qint64 generation = -1;
        QVector<bool> documentsRead;
        QVector<LookedUp> lookedUp;
    };

    Result moveToPosition(int position);
    Result standOn(int position);
    /// Makes a row already read the current one.
    void standOnRow(int position, const QVector<QVariant> &row, qint64 generation, const QVector<bool> &documentsRead,
                    const QVector<LookedUp> &lookedUp = {});
    Result find(const QString &criterion, bool fromNext);
    /// The index of the first row after the place searched from whose column
    /// holds the value, read with it; -1 when none.
    Result firstMatch(int column, const QString &value, bool fromNext, int &index, RowRead &row);
    qint64 keyBeforeNextRow() const;
    Result writeEdits();
    bool wasRead(int column) const;
    void dropUnchangedEdits();
    Result updateRow(QVector<EditConflict> &conflicts);
    /// The same in one statement that locks the row, checks the values read and writes the edits.
    Result updateRowInOneStatement(QVector<EditConflict> &conflicts);
    /// The edits whose values now stand in the row, as written.
    void takeWrittenEdits();
    Result deleteRow();
    Result insertPendingRow();
    /// A kept statement that writes, once the file is known to be the one read.
    Result preparedWrite(const QString &sql, QSqlQuery *&query) const;
    Result checkValue(int column, const QVariant &value) const;
    QVariant storedValue(int column, const QVariant &value) const;
    Result readRow(qint64 key, RowRead &row) const;
    /// What a row's read selects: its columns, the documents asked for whole,
    /// its generation and what its lists show; starts a RowRead.
    QString rowReadList(RowRead &row) const;
    /// Takes a row selected by rowReadList from the query's record, its columns from the first on.
    void takeRowRead(const QSqlQuery &query, int first, RowRead &row) const;
    /// The columns that read, for each list read with the rows, its first row's identity, shown and bound texts.
    QString lookupSelectList() const;
    /// Every column by name, a document column as its length unless whole.
    QString selectList(const QVector<bool> &wholeDocuments = {}) const;
    static QString selectList(const Engine &engine, const QStringList &columns, const QVector<bool> &documents,
                              const QVector<bool> &wholeDocuments);
    /// Documents of the current row are read when first asked for, so moves
    /// that show no document never read one.
    void readDocument(int column) const;
    QVector<QVariant> withDocumentLengths(QVector<QVariant> row) const;
    void loadChunk(int index) const;
    int indexOfKey(qint64 key) const;
    QString quotedTable() const;
    QString quotedName(const QString &name) const;

    std::unique_ptr<EngineConnection> m_connection;
    const Engine *m_engine = nullptr;
    QString m_table;
    QStringList m_columns;
    QVector<bool> m_wholeNumberColumns;
    QVector<bool> m_documentColumns;
    QHash<int, QString> m_captions;
    QStringList m_shownDocuments;
    Keyset m_keys;
    int m_position = 0;          // -1 before first, rowCount() after last
    bool m_onDeletedPlace = false; // m_position then is the row after the gap
    bool m_adding = false;
    bool m_noMatch = false;
    QString m_generation;             // the engine's expression telling apart the rows that held one identity
    qint64 m_rowGeneration = -1;      // of the current row as read
    mutable QVector<QVariant> m_row; // a document column holds its length until read
    mutable QVector<bool> m_documentRead;
    mutable QVector<bool> m_documentsAsked; // on the current row: read with the next row, as a screen shows them on each
    QMap<int, QVariant> m_edits;
    ConflictResolver m_conflictResolver;
    struct LookupRead
    {
        int column = -1;
        QString table;
        QString boundColumn;
        QString shownColumn;
    };
    QVector<LookupRead> m_lookupReads;
    QVector<LookedUp> m_lookedUp; // of the current row, one for each of m_lookupReads
    mutable QHash<qint64, QVector<QVariant>> m_cache;
    mutable bool m_connectionSuspect = false;
};
