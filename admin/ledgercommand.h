#pragma once

#include "admin/admincommand.h"

/// ledger [MATERIAL] | ledger --enable: the stock ledger.
class LedgerCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("ledger"); }
    QString summary() const override { return QStringLiteral("庫存異動記錄:每次庫存數量的變更,新的在前;--enable 開始記錄"); }
    int run(const QStringList &arguments, const QString &database) override;
};
