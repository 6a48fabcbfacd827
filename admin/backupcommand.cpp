#include "admin/backupcommand.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "admin/leftovers.h"
#include "admin/progress.h"
#include "data/engine/sqlite/sqlitefile.h"
#include "data/connection/serveraddress.h"

#include <QDir>
#include <QFileInfo>

namespace {

/// Why no backup can be written under the name, or nothing when one can.
QString unusableName(const QString &destination)
{
    if (destination.trimmed().isEmpty())
        return QStringLiteral("沒有指定備份檔的名稱;請給一個新檔案的路徑,例如 vemo-備份.sqlite。");
    const QFileInfo place(destination);
    if (place.isDir() || place.fileName().isEmpty())
        return QStringLiteral("%1 是資料夾的名稱,不是檔名;請指定資料夾裡一個新檔案的名稱。").arg(destination);
    if (place.exists() || place.isSymLink())
        return QStringLiteral("檔案 %1 已經存在,備份不會蓋過它;請指定新的檔名。").arg(destination);
    const QFileInfo folder(place.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("資料夾 %1 不存在;請先建立它,或指定已經存在的資料夾。").arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("資料夾 %1 不能寫入;請指定可以寫入的資料夾。").arg(QDir::toNativeSeparators(folder.filePath()));
    return {};
}

/// A snapshot of the server's database as a vemo file: its tables and their rows, read in one snapshot.
Result snapshotOfServer(const QString &server, const QString &file)
{
    CopyReport report;
    if (Result copied = copyDatabase(server, file, console::messagesGoToTerminal(), report); !copied)
        return copied;
    return sqlitefile::makeSelfContained(file);
}

/// A snapshot of the file, page by page, with a bar counting the pages on a terminal.
Result snapshotOfFile(const QString &file, const QString &copy)
{
    Progress progress(0, console::messagesGoToTerminal(), QStringLiteral("頁"));
    return sqlitefile::snapshot(file, copy, [&](qint64 copied, qint64 total) { progress.setDone(copied, total); });
}

Result writeBackup(const QString &database, const QString &destination)
{
    if (const QString problem = unusableName(destination); !problem.isEmpty())
        return Result::failure(problem);
    removeLeftovers(destination);
    const bool ofServer = ServerAddress::isServerAddress(database);
    if (!ofServer && !QFileInfo(database).isFile())
        return Result::failure(QStringLiteral("找不到資料庫檔案 %1。").arg(database));
    TemporaryDatabase copy(destination, QStringLiteral("backup"));
    // A server's rows were behind its login, so their copy is for its maker alone.
    if (Result made = copy.create(ofServer ? QFile::ReadOwner | QFile::WriteOwner : QFile::permissions(database)); !made)
        return made;
    const Result copied = ofServer ? snapshotOfServer(database, copy.fileName()) : snapshotOfFile(database, copy.fileName());
    if (!copied)
        return copied;
    return copy.moveTo(destination);
}

} // namespace

int BackupCommand::run(const QStringList &arguments, const QString &database)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("DEST"), QStringLiteral("備份檔的路徑;不能是已經存在的檔案。"));
    if (auto status = parse(parser, arguments, QStringLiteral("backup DEST")))
        return *status;
    if (parser.positionalArguments().size() != 1) {
        console::message(QStringLiteral("vemo-admin backup:要指定一個備份檔的路徑。"));
        return kExitUsage;
    }
    const QString destination = parser.positionalArguments().constFirst();
    if (Result written = writeBackup(database, destination); !written) {
        console::message(QStringLiteral("備份失敗:%1").arg(written.message()));
        return kExitFailed;
    }
    console::note(QStringLiteral("已備份到 %1。").arg(destination));
    return kExitOk;
}
