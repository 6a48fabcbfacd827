#include "admin/wholenumber.h"

#include <QRegularExpression>

namespace {

const QRegularExpression &decimalForm()
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*([+-]?)(\d*)(?:\.(\d*))?\s*$)"));
    return form;
}

} // namespace

bool wholeNumber(const QString &text, int &number, QString &why)
{
    const QRegularExpressionMatch match = decimalForm().match(text.normalized(QString::NormalizationForm_KC));
    if (!match.hasMatch() || (match.captured(2).isEmpty() && match.captured(3).isEmpty())) {
        why = QStringLiteral("不是數字");
        return false;
    }
    QString whole = match.captured(2);
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.size() > 6) {
        why = QStringLiteral("超出 -32768 到 32767 的範圍");
        return false;
    }
    qint64 magnitude = whole.isEmpty() ? 0 : whole.toLongLong();
    const QString fraction = match.captured(3);
    const bool half = fraction.startsWith(QLatin1Char('5'));
    const bool aboveHalf = !fraction.isEmpty()
                        && (fraction.at(0) > QLatin1Char('5') || (half && fraction.mid(1).contains(QRegularExpression(QStringLiteral("[1-9]")))));
    const bool exactlyHalf = half && !aboveHalf;
    if (aboveHalf || (exactlyHalf && magnitude % 2 != 0))
        ++magnitude;
    const qint64 value = match.captured(1) == QLatin1String("-") ? -magnitude : magnitude;
    if (value < -32768 || value > 32767) {
        why = QStringLiteral("超出 -32768 到 32767 的範圍");
        return false;
    }
    number = int(value);
    return true;
}

bool isWholeNumberText(const QString &text)
{
    const QRegularExpressionMatch match = decimalForm().match(text.normalized(QString::NormalizationForm_KC));
    return match.hasMatch() && !match.captured(3).contains(QRegularExpression(QStringLiteral("[1-9]")));
}
