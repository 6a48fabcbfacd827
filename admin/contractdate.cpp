#include "admin/contractdate.h"

#include <QRegularExpression>

namespace {

constexpr int kRepublicOfChinaYearZero = 1911;

} // namespace

QDate readContractDate(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(民國)?\s*(\d{1,4})\s*([/.\-年])\s*(\d{1,2})\s*([/.\-月])\s*(\d{1,2})\s*日?(?:\s+\d{1,2}:\d{2}(?::\d{2})?)?\s*$)"));
    const QRegularExpressionMatch match = form.match(text.normalized(QString::NormalizationForm_KC));
    if (!match.hasMatch())
        return QDate();
    const QString separator = match.captured(3);
    const bool sameSeparators = separator == QStringLiteral("年") ? match.captured(5) == QStringLiteral("月")
                                                                  : match.captured(5) == separator;
    const QString year = match.captured(2);
    const bool republicYear = !match.captured(1).isEmpty() || year.size() <= 3;
    if (!sameSeparators || (!match.captured(1).isEmpty() && year.size() > 3))
        return QDate();
    const int yearNumber = year.toInt() + (republicYear ? kRepublicOfChinaYearZero : 0);
    return QDate(yearNumber, match.captured(4).toInt(), match.captured(6).toInt());
}
