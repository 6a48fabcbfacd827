#pragma once

#include "admin/admincommand.h"

/// import FILE.mdb: brings an old Jet file into the database.
class ImportCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("import"); }
    QString summary() const override { return QStringLiteral("把舊程式的 Jet 資料庫 (vemo.mdb) 帶入 vemo"); }
    QString helpNotes() const override;
    int run(const QStringList &arguments, const QString &database) override;
};
