#pragma once

#include "admin/admincommand.h"

/// deleted [TABLE]: the rows deleted and not there now, each as its last delete kept it.
class DeletedCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("deleted"); }
    QString summary() const override { return QStringLiteral("列出刪除後還沒有還原的資料,新的在前"); }
    int run(const QStringList &arguments, const QString &database) override;
};
