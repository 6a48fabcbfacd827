#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

/// One CSV record (RFC 4180): fields quoted when they hold a comma, a quote
/// or a line break, quotes doubled, ended by CRLF.
QString csvRecord(const QStringList &fields);

/// One field of such a record appended in UTF-8 to the record's bytes, for
/// writers of many records that build no list of fields.
void appendCsvField(QByteArray &record, QStringView field);

/// The same for a field that is UTF-8 bytes already, copied as they are.
void appendCsvField(QByteArray &record, QByteArrayView utf8);
