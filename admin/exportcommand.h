#pragma once

#include "admin/admincommand.h"

/// export TABLE: one table as CSV.
class ExportCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("export"); }
    QString summary() const override { return QStringLiteral("把一個資料表匯出成 CSV (RFC 4180,UTF-8)"); }
    int run(const QStringList &arguments, const QString &database) override;
};
