#pragma once

#include "admin/admincommand.h"

/// copy: the whole database into an empty one, between the file and a server.
class CopyCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("copy"); }
    QString summary() const override
    {
        return QStringLiteral("把整個資料庫 (含文件) 複製到空的資料庫:--to 伺服器,或 --from 伺服器複製回檔案");
    }
    int run(const QStringList &arguments, const QString &database) override;
};
