#pragma once

#include <QString>
#include <QStringList>

/// One CSV record (RFC 4180): fields quoted when they hold a comma, a quote
/// or a line break, quotes doubled, ended by CRLF.
QString csvRecord(const QStringList &fields);
