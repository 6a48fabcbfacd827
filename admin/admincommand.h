#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

/// Exit status of the tool: success, a failure or problem found, a wrong command line.
enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

/// One subcommand of vemo-admin: its own options, --help, and one job.
class EngineConnection;

class AdminCommand
{
public:
    virtual ~AdminCommand() = default;
    virtual QString name() const = 0;
    /// One line for the list of commands.
    virtual QString summary() const = 0;
    /// Text that --help prints after the options, or nothing.
    virtual QString helpNotes() const { return QString(); }
    /// Whether the command acts on vemo's database, so it is named and tidied first.
    virtual bool usesDatabase() const { return true; }
    /// Runs with the arguments after the command's name on the database file.
    virtual int run(const QStringList &arguments, const QString &database) = 0;

    /// The database the command acts on, named on the first message line
    /// once its command line has been read, unless --quiet.
    static void announce(const QString &database);

protected:
    /// Parses the arguments; prints --help or a usage error itself and then
    /// returns the exit status to end with, else nothing.
    std::optional<int> parse(QCommandLineParser &parser, const QStringList &arguments, const QString &usage) const;
    /// Opens the database, an existing one only; a failure is told and false.
    static bool openDatabase(EngineConnection &connection, const QString &database);
    /// Opens it as openDatabase() does and tells, with the sentence given,
    /// when it keeps no history of changes yet; false then too.
    static bool openDatabaseWithHistory(EngineConnection &connection, const QString &database, const QString &noHistory);
};
