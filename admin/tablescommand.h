#pragma once

#include "admin/admincommand.h"

/// tables: an old Jet file's tables, their row counts, columns and types.
class TablesCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("tables"); }
    QString summary() const override { return QStringLiteral("列出舊資料庫 (Jet) 的資料表、筆數、欄位與型別,寫對照檔時用"); }
    bool usesDatabase() const override { return false; }
    int run(const QStringList &arguments, const QString &database) override;
};
