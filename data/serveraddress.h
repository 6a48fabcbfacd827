#pragma once

#include "data/result.h"

#include <QString>
#include <QStringList>

/// Where a PostgreSQL database is, written as libpq's connection address
/// postgresql://user@host:port/dbname?keyword=value. A host that starts with
/// "/" (written %2F) is the folder of a local socket. No password: the server
/// is asked through PostgreSQL's own means (~/.pgpass, PGPASSWORD, peer).
struct ServerAddress
{
    QString host;
    int port = -1;
    QString user;
    QString database;
    /// libpq keyword=value pairs from the query part, passed on as they are.
    QStringList options;

    /// Parses an address; anything that is not one, or that carries a
    /// password, fails with a message that quotes none of it.
    static Result parse(const QString &text, ServerAddress &out);
    /// The text as a message may show it: in a server address, what could be
    /// a password (from the first colon to the last "@", and a password
    /// parameter) replaced by "***"; any other text as it is.
    static QString shown(const QString &text);
    /// The address named by text is a server's, whether or not it parses.
    static bool isServerAddress(const QString &text);
};
