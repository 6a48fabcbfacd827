#pragma once

#include "admin/admincommand.h"

/// restore BACKUP: a backup's rows into the database, which must be empty,
/// or a file that is replaced with --replace.
class RestoreCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("restore"); }
    QString summary() const override
    {
        return QStringLiteral("把備份檔還原到空的資料庫;檔案已有資料時加 --replace 取代它");
    }
    int run(const QStringList &arguments, const QString &database) override;
};
