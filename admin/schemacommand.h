#pragma once

#include "admin/admincommand.h"

/// schema: vemo's tables and their columns with the types the engine keeps.
class SchemaCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("schema"); }
    QString summary() const override { return QStringLiteral("列出資料庫裡 vemo 的資料表與欄位,以及資料庫保存的型別"); }
    int run(const QStringList &arguments, const QString &database) override;
};
