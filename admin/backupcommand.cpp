#include "admin/backupcommand.h"

#include "admin/console.h"
#include "admin/databasecopy.h"
#include "data/tables/leftovers.h"
#include "admin/progress.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

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

Result writeBackup(const QString &database, const QString &destination)
{
    if (const QString problem = unusableName(destination); !problem.isEmpty())
        return Result::failure(problem);
    removeLeftovers(destination);
    const auto source = WholeDatabase::named(database);
    if (const QString problem = source->cannotBackUp(); !problem.isEmpty())
        return Result::failure(problem);
    TemporaryDatabase copy(destination, QStringLiteral("backup"));
    if (Result made = copy.create(source->backupPermissions()); !made)
        return made;
    const bool terminal = console::messagesGoToTerminal();
    const auto copyTables = [terminal](const QString &from, const QString &to) {
        CopyReport report;
        return copyDatabase(from, to, terminal, report);
    };
    // A bar counting the pages, for a backup copied page by page.
    std::optional<Progress> pages;
    const auto pagesCopied = [&](qint64 copied, qint64 total) {
        if (!pages)
            pages.emplace(0, terminal, QStringLiteral("頁"));
        pages->setDone(copied, total);
    };
    if (Result copied = source->backUpInto(copy.fileName(), copyTables, pagesCopied); !copied)
        return copied;
    pages.reset();
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
