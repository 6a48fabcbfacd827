#pragma once

#include "admin/admincommand.h"

/// check: the file's integrity, the eleven tables and their columns, every document.
class CheckCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("check"); }
    QString summary() const override { return QStringLiteral("檢查資料庫:檔案完整、十一個資料表與欄位齊全、每份文件都讀得出來"); }
    int run(const QStringList &arguments, const QString &database) override;
};
