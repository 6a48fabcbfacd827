#include "data/tables/wholedatabase.h"

#include "data/connection/engineconnection.h"
#include "data/connection/serveraddress.h"

#include <QFile>

namespace {

/// The server: written in place while it holds no row, backed up as a copy of its tables into a file.
class WholeServer : public WholeDatabase
{
public:
    explicit WholeServer(QString address) : m_address(std::move(address)) {}

    bool isOneFile() const override { return false; }
    bool isKeptIn(const QString &) const override { return false; }

    Result countRows(qint64 &rows) const override
    {
        EngineConnection connection;
        if (Result opened = connection.open(m_address); !opened)
            return opened;
        QSqlDatabase database = connection.database();
        return rowsInDatabase(database, rows);
    }

    QString refusal(qint64 rows, const Job &job, bool replaceRows, bool dryRun) const override
    {
        if (replaceRows)
            return QStringLiteral("%1到資料庫伺服器時不能用 --replace:伺服器上的資料不會留下備份。請%1到空的資料庫。").arg(job.word);
        if (rows == 0)
            return {};
        return QStringLiteral("目標資料庫 %1 已經有 %2 筆資料,%3。請%4到空的資料庫。")
            .arg(ServerAddress::shown(m_address), QString::number(rows),
                 dryRun ? QStringLiteral("實際%1時會拒絕").arg(job.word) : QStringLiteral("沒有") + job.word, job.word);
    }

    Result replaceWith(const Job &job, bool replaceRows, const Writing &write, QString &kept) const override
    {
        // Whether it holds rows is asked by the writing itself, in the transaction that writes.
        if (const QString refused = refusal(0, job, replaceRows, false); !refused.isEmpty())
            return Result::failure(refused);
        kept.clear();
        return write(m_address);
    }

    QString cannotBackUp() const override { return {}; }
    QFileDevice::Permissions backupPermissions() const override { return QFile::ReadOwner | QFile::WriteOwner; }
    Result backUpInto(const QString &file, const TableCopy &copyTables, const Copied &) const override
    {
        if (Result copied = copyTables(m_address, file); !copied)
            return copied;
        return makeFileSelfContained(file);
    }
    void removeLeftovers() const override {}

private:
    QString m_address;
};

} // namespace

std::unique_ptr<WholeDatabase> wholeServer(const QString &address)
{
    return std::make_unique<WholeServer>(address);
}
