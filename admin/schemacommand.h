#pragma once

#include "admin/admincommand.h"

class QTemporaryDir;

/// schema: vemo's tables and their columns with the types the engine keeps.
class SchemaCommand : public AdminCommand
{
public:
    QString name() const override { return QStringLiteral("schema"); }
    QString summary() const override { return QStringLiteral("列出資料庫裡 vemo 的資料表與欄位,以及資料庫保存的型別"); }
    int run(const QStringList &arguments, const QString &database) override;

private:
    /// Opens the database, or before vemo ever made it, a new one in the
    /// scratch folder, so that the tables it will have can be listed; nothing
    /// is made at its path. A failure is told and false.
    static bool openDatabaseOrNewOne(EngineConnection &connection, const QString &database, const QTemporaryDir &scratch);
};
