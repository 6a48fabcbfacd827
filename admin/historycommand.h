#pragma once

#include "admin/admincommand.h"

/// history [TABLE [KEY]]: every change kept, newest first; --prune-before
/// removes the older lines.
class HistoryCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("history"); }
    QString summary() const override { return QStringLiteral("變更記錄:每筆資料的新增、修改、刪除,誰在何時做的,新的在前"); }
    int run(const QStringList &arguments, const QString &database) override;
};
