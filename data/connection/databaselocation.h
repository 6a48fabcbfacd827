#pragma once

#include <QString>

/// The database path that every part of the system names.
inline const QString kDatabasePath = QStringLiteral("C:\\vemo\\vemo.mdb");

/// The folder that holds the database: $VEMO_HOME when set, else C:\vemo on
/// Windows, else the user's XDG data folder for vemo.
QString vemoHome();

/// Maps a database path of the system (C:\vemo\vemo.mdb in any case) to the
/// SQLite file that stands for it: the configured file when $VEMO_DATABASE or
/// vemo.conf names one, else vemo.sqlite in the vemo folder. Any other path is
/// taken as a real file path.
QString mappedDatabaseFile(const QString &databasePath);

/// The settings file in the vemo folder.
QString settingsFile();

/// The database the system's path stands for, a file path or a server
/// address: $VEMO_DATABASE when set, else the "database" setting of vemo.conf
/// in the vemo folder; empty when neither names one.
QString configuredDatabase();

/// The server a database path names: the path itself when it is a server
/// address, the configured server (any text with "://") for the system's
/// path, else empty.
QString serverFor(const QString &databasePath);

/// The database a program acts on when it is told given (a path or a server
/// address, empty when none was told): given itself, else $VEMO_DATABASE,
/// else vemo.conf's "database" setting, else the file in the vemo folder.
QString resolvedDatabase(const QString &given);

/// Why the file a database path stands for cannot take saves though it
/// opens: it, its folder (where its journal is made) or the disk is
/// read-only, or marked so for everyone; empty when it can, and for a server.
QString readOnlyReason(const QString &databasePath);
