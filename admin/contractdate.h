#pragma once

#include <QDate>
#include <QString>

/// Reads a free-text end date in the forms the old screens held: yyyy/M/d,
/// yyyy-MM-dd, yyyy.MM.dd, yyyy年M月d日, and the Republic of China year
/// (one to three digits, e.g. 115/12/31, also after 民國). A time after the
/// date is ignored. An invalid QDate when the text is none of these or no
/// real day.
QDate readContractDate(const QString &text);
