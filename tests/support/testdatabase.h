#pragma once

#include "data/connection/engineconnection.h"
#include "support/serverschema.h"

#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

#include <memory>

/// Fails the test with the engine's message when the call returns a failure.
#define VERIFY_OK(call)                                                                                      \
    do {                                                                                                     \
        const Result result_ = (call);                                                                       \
        QVERIFY2(result_.ok(), qPrintable(result_.message()));                                              \
    } while (false)

/// A fresh database of the whole schema in a temporary vemo folder, which
/// VEMO_HOME points at for as long as it lives. When VEMO_TEST_ENGINE is
/// "postgresql" the database is a fresh schema on the server that
/// VEMO_TEST_POSTGRES names, and VEMO_DATABASE points the program at it.
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();

    /// The tests run on the server.
    static bool onServer();

    QString folder() const { return m_folder.path(); }
    QString file() const;
    /// The column that identifies a row, for statements that order by it.
    QString rowIdentity() const;
    /// Every row of a table, the columns the screens know in table order,
    /// in the order the rows were added.
    QVector<QVariantList> tableRows(const QString &table);
    /// An expression giving the kind of value a column holds, as SQLite's
    /// typeof() names it ("integer", "text", "null"...).
    QString storedKind(const QString &column) const;
    /// Makes the engine refuse every update of a column of a table with the
    /// message, as a trigger does, until allowUpdates().
    void refuseUpdates(const QString &table, const QString &column, const QString &message);
    void allowUpdates(const QString &table);
    /// Ends every connection to this server database as a restart of the
    /// server would: the next statement of each finds its connection gone.
    /// The test database's own connection is opened again.
    void dropConnections();

    /// Inserts a row of text values, columns in table order from the first.
    void insert(const QString &table, const QVariantList &values);
    /// Inserts count rows whose first column is prefix + number.
    void insertNumbered(const QString &table, const QString &prefix, int count);
    /// The first column of the first row of a query.
    QVariant value(const QString &sql);
    /// Every row of a query.
    QVector<QVariantList> rows(const QString &sql);
    void execute(const QString &sql);
    /// Closes the test's own connection, as a program that ended would.
    void disconnect();
    void reconnect();

private:
    QTemporaryDir m_folder;
    QByteArray m_previousHome;
    QByteArray m_previousDatabase;
    std::unique_ptr<ServerSchema> m_server;
    EngineConnection m_connection;
};
