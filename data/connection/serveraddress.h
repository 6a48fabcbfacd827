#pragma once

#include "data/result.h"

#include <QString>
#include <QStringList>

/// Where a PostgreSQL database is: postgresql://user@host:port/database?option=value,
/// where host is a host name, an IPv4 address, [an IPv6 address] or the
/// folder of a local socket written %2F…, and the options are sslmode,
/// connect_timeout and application_name only. No password ever: the server
/// is asked through PostgreSQL's own means (~/.pgpass, PGPASSWORD, peer).
struct ServerAddress
{
    QString host;
    int port = -1;
    QString user;
    QString database;
    /// option=value pairs, each value checked, in the order written.
    QStringList options;

    /// Parses an address; anything else, or anything that could carry a
    /// password (a user:password, or "password" in any case in any part,
    /// %XX read), fails with a message that quotes none of it and leaves out
    /// untouched.
    static Result parse(const QString &text, ServerAddress &out);
    /// The text as a message may show it: a server address as parsed,
    /// without its options, or only its scheme when it does not parse; any
    /// other text as it is.
    static QString shown(const QString &text);
    /// The address named by text is a server's, whether or not it parses.
    static bool isServerAddress(const QString &text);

    /// postgresql://user@host:port/database, without the options.
    QString shownText() const;
    /// The whole address, options included; parse() reads it back as it is.
    QString text() const;
    /// The options in the driver's keyword='value' syntax, separated by ";".
    QString driverOptions() const;
};
