#include "data/engine/sqlite/sqliteengine.h"

QString SqliteEngine::storedValue(const QString &quotedColumn) const
{
    return QStringLiteral("CAST(%1 AS BLOB)").arg(quotedColumn);
}
