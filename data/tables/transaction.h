#pragma once

#include "data/result.h"

#include <QSqlDatabase>

/// A transaction on one connection, begun as the engine writes or reads a
/// snapshot; one left open when it goes is rolled back.
class Transaction
{
public:
    enum class Kind { Writing, Snapshot };

    explicit Transaction(const QSqlDatabase &database) : m_database(database) {}
    ~Transaction() { rollBack(); }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    Result begin(Kind kind);
    /// Commits after a success and gives its outcome; rolls a failure back and gives it.
    Result end(const Result &outcome);
    void rollBack();

private:
    QSqlDatabase m_database;
    bool m_open = false;
};
