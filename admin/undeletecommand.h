#pragma once

#include "admin/admincommand.h"

/// undelete TABLE KEY: writes the last deleted version of a row back.
class UndeleteCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("undelete"); }
    QString summary() const override { return QStringLiteral("把刪除的資料照刪除前的樣子寫回去,文件也一樣"); }
    int run(const QStringList &arguments, const QString &database) override;
};
