#pragma once

#include "admin/admincommand.h"

/// report low-stock | contracts --days N.
class ReportCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("report"); }
    QString summary() const override { return QStringLiteral("報表:low-stock 低於安全存量的材料;contracts --days N 將到期的合約"); }
    int run(const QStringList &arguments, const QString &database) override;
};
