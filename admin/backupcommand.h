#pragma once

#include "admin/admincommand.h"

/// backup DEST: a consistent copy of the database, file or server, as a new
/// vemo file, while others use it.
class BackupCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("backup"); }
    QString summary() const override { return QStringLiteral("把資料庫備份到一個新檔,程式使用中也可以"); }
    int run(const QStringList &arguments, const QString &database) override;
};
