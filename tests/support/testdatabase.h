#pragma once

#include "data/engineconnection.h"

#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

/// A fresh database of the whole schema in a temporary vemo folder, which
/// VEMO_HOME points at for as long as it lives.
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();

    QString folder() const { return m_folder.path(); }
    QString file() const;

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
    EngineConnection m_connection;
};
