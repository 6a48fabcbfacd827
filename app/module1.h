#pragma once

#include "data/connection/engineconnection.h"

/// The one code module: it holds the shared connection for the whole run.
struct Module1
{
    EngineConnection connection;
};

inline const QString kSharedConnectionString = QStringLiteral(
    "Provider=Microsoft.Jet.OLEDB.3.51;Persist Security Info=False;Data Source=C:\\vemo\\vemo.mdb");
