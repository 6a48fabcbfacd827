#include "data/serveraddress.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

QString decoded(const QString &part)
{
    return QUrl::fromPercentEncoding(part.toUtf8());
}

// The address is not quoted back: a password written into it in some unforeseen way would show.
Result malformed()
{
    return Result::failure(QStringLiteral("資料庫伺服器位址的格式不對,應為 postgresql://使用者@主機:連接埠/資料庫。"));
}

} // namespace

QString ServerAddress::shown(const QString &text)
{
    if (!isServerAddress(text))
        return text;
    const int start = text.indexOf(QLatin1String("://")) + 3;
    QString shownText = text;
    // Whatever a password holds ("/", "?", "@"), it runs from the first colon to the last "@".
    const int at = text.lastIndexOf(QLatin1Char('@'));
    const int colon = at >= start ? text.indexOf(QLatin1Char(':'), start) : -1;
    if (colon >= 0 && colon < at)
        shownText.replace(colon + 1, at - colon - 1, QStringLiteral("***"));
    const int question = shownText.indexOf(QLatin1Char('?'), start);
    if (question >= 0) {
        static const QRegularExpression asParameter(QStringLiteral("([?&]password=)[^&]*"));
        shownText = shownText.left(question) + shownText.mid(question).replace(asParameter, QStringLiteral("\\1***"));
    }
    return shownText;
}

bool ServerAddress::isServerAddress(const QString &text)
{
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Result ServerAddress::parse(const QString &text, ServerAddress &out)
{
    if (!isServerAddress(text))
        return malformed();
    QString rest = text.mid(text.indexOf(QLatin1String("://")) + 3);
    ServerAddress address;
    const int question = rest.indexOf(QLatin1Char('?'));
    const QStringList pairs =
        question < 0 ? QStringList() : rest.mid(question + 1).split(QLatin1Char('&'), Qt::SkipEmptyParts);
    // A password is refused before anything else is read, wherever its "/", "?" or "@" would cut it,
    // so it never reaches a host name that the server's messages quote.
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    const bool passwordInUser = at >= 0 && rest.left(at).contains(QLatin1Char(':'));
    const auto isPassword = [](const QString &pair) {
        return decoded(pair.section(QLatin1Char('='), 0, 0)) == QLatin1String("password");
    };
    if (passwordInUser || std::any_of(pairs.begin(), pairs.end(), isPassword))
        return Result::failure(QStringLiteral("資料庫伺服器位址不可包含密碼;請改用 ~/.pgpass 或 PGPASSWORD。"));
    if (question >= 0) {
        for (const QString &pair : pairs) {
            const int equals = pair.indexOf(QLatin1Char('='));
            if (equals <= 0)
                return malformed();
            const QString key = decoded(pair.left(equals));
            const QString value = decoded(pair.mid(equals + 1));
            if (key == QLatin1String("host"))
                address.host = value;
            else if (key == QLatin1String("port"))
                address.port = value.toInt();
            else if (key == QLatin1String("user"))
                address.user = value;
            else if (key == QLatin1String("dbname"))
                address.database = value;
            else
                address.options << key + QLatin1Char('=') + value;
        }
        rest.truncate(question);
    }
    const int slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        if (address.database.isEmpty())
            address.database = decoded(rest.mid(slash + 1));
        rest.truncate(slash);
    }
    if (const int userEnd = rest.lastIndexOf(QLatin1Char('@')); userEnd >= 0) {
        if (address.user.isEmpty())
            address.user = decoded(rest.left(userEnd));
        rest = rest.mid(userEnd + 1);
    }
    const int colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && !rest.endsWith(QLatin1Char(']'))) {
        const QString digits = rest.mid(colon + 1);
        const bool numeric = !digits.isEmpty() && digits.size() <= 5
                          && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        const int port = numeric ? digits.toInt() : 0;
        if (port <= 0 || port > 65535)
            return malformed();
        if (address.port < 0)
            address.port = port;
        rest.truncate(colon);
    }
    if (address.host.isEmpty())
        address.host = decoded(rest);
    if (address.database.isEmpty())
        return malformed();
    out = address;
    return Result::success();
}
