#include "data/engine/postgres/postgresengine.h"
#include "data/engine/sqlite/sqliteengine.h"

#include <QSqlDatabase>

Result Engine::storedColumnsOfTables(QSqlDatabase &database, QHash<QString, QVector<StoredColumn>> &tables) const
{
    QStringList names;
    if (Result read = storedTables(database, names); !read)
        return read;
    tables.clear();
    for (const QString &name : std::as_const(names)) {
        if (Result read = storedColumns(database, name, tables[name.toLower()]); !read)
            return read;
    }
    return Result::success();
}

const Engine &sqliteEngine()
{
    static const SqliteEngine sqlite;
    return sqlite;
}

const Engine &postgresEngine()
{
    static const PostgresEngine postgres;
    return postgres;
}

const Engine &engine(const QSqlDatabase &database)
{
    return database.driverName() == postgresEngine().driverName() ? postgresEngine() : sqliteEngine();
}
