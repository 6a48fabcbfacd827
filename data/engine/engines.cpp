#include "data/engine/postgres/postgresengine.h"
#include "data/engine/sqlite/sqliteengine.h"

#include <QSqlDatabase>

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
