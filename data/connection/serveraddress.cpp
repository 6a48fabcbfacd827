#include "data/connection/serveraddress.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

// The address is not quoted back: a password written into it in some unforeseen way would show.
Result malformed()
{
    return Result::failure(QStringLiteral("資料庫伺服器位址的格式不對,應為 postgresql://使用者@主機:連接埠/資料庫,"
                                          "選項只能是 sslmode、connect_timeout 或 application_name。"));
}

Result withPassword()
{
    return Result::failure(QStringLiteral("資料庫伺服器位址不可包含密碼;請改用 ~/.pgpass 或 PGPASSWORD。"));
}

QString decoded(const QString &part)
{
    return QUrl::fromPercentEncoding(part.toUtf8());
}

// Only what would cut the address apart again is written %XX, so a message stays readable.
QString encoded(const QString &part)
{
    static const QString cutting = QStringLiteral("%/@:?&=#[]");
    QString text;
    for (const QChar c : part) {
        if (cutting.contains(c) || c.isSpace() || !c.isPrint())
            text += QString::fromLatin1(QString(c).toUtf8().toPercentEncoding());
        else
            text += c;
    }
    return text;
}

bool isPrintable(const QString &text)
{
    const QList<uint> points = text.toUcs4();
    return std::all_of(points.begin(), points.end(),
                       [](uint point) { return point != 0xFFFD && QChar::isPrint(char32_t(point)); });
}

bool isPlainName(const QString &text)
{
    static const QString refused = QStringLiteral(";='\"\\");
    return isPrintable(text) && std::none_of(text.begin(), text.end(), [](QChar c) {
               return c.isSpace() || refused.contains(c);
           });
}

bool isDigits(const QString &text, int most)
{
    return !text.isEmpty() && text.size() <= most
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool readPort(const QString &digits, int &port)
{
    if (!isDigits(digits, 5) || digits.toInt() < 1 || digits.toInt() > 65535)
        return false;
    port = digits.toInt();
    return true;
}

bool isHostName(const QString &text)
{
    // \z, as $ would also take a name followed by a line break.
    static const QRegularExpression name(QStringLiteral(
        "\\A[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*\\z"));
    return text.size() <= 253 && name.match(text).hasMatch();
}

bool isIpv6(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("\\A[0-9A-Fa-f:.]+\\z"));
    if (text.count(QLatin1Char(':')) < 2 || !digits.match(text).hasMatch())
        return false;
    QUrl url;
    url.setHost(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

bool readHostAndPort(const QString &raw, ServerAddress &address)
{
    if (raw.startsWith(QLatin1Char('['))) {
        const int close = raw.indexOf(QLatin1Char(']'));
        const QString after = raw.mid(close + 1);
        if (close < 0 || !isIpv6(raw.mid(1, close - 1)))
            return false;
        address.host = raw.mid(1, close - 1);
        return after.isEmpty() || (after.startsWith(QLatin1Char(':')) && readPort(after.mid(1), address.port));
    }
    const int colon = raw.indexOf(QLatin1Char(':'));
    if (colon >= 0 && !readPort(raw.mid(colon + 1), address.port))
        return false;
    const QString host = raw.left(colon);
    address.host = decoded(host);
    if (host.startsWith(QLatin1String("%2F"), Qt::CaseInsensitive))
        return isPlainName(address.host);
    return host.isEmpty() || isHostName(host);
}

bool readUserAndHost(const QString &authority, ServerAddress &address)
{
    const int at = authority.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        address.user = decoded(authority.left(at));
        if (address.user.isEmpty() || !isPrintable(address.user) || address.user.contains(QLatin1Char(':')))
            return false;
    }
    const QString hostAndPort = authority.mid(at + 1);
    return !hostAndPort.contains(QLatin1Char('@')) && readHostAndPort(hostAndPort, address);
}

bool isAllowedOption(const QString &key, const QString &value)
{
    static const QStringList sslModes{"disable", "allow", "prefer", "require", "verify-ca", "verify-full"};
    if (key == QLatin1String("sslmode"))
        return sslModes.contains(value);
    if (key == QLatin1String("connect_timeout"))
        return isDigits(value, 6);
    // The server keeps 63 bytes of it; what it would cut is refused rather than changed.
    if (key == QLatin1String("application_name"))
        return !value.isEmpty() && value.toUtf8().size() <= 63 && isPlainName(value);
    return false;
}

bool readOptions(const QString &query, ServerAddress &address)
{
    QStringList keys;
    for (const QString &pair : query.split(QLatin1Char('&'))) {
        const int equals = pair.indexOf(QLatin1Char('='));
        const QString key = decoded(pair.left(equals));
        const QString value = decoded(pair.mid(equals + 1));
        if (equals <= 0 || keys.contains(key) || !isAllowedOption(key, value))
            return false;
        keys << key;
        address.options << key + QLatin1Char('=') + value;
    }
    return true;
}

bool readAddress(const QString &rest, ServerAddress &address)
{
    const int question = rest.indexOf(QLatin1Char('?'));
    const QString path = rest.left(question);
    const int slash = path.indexOf(QLatin1Char('/'));
    const QString database = path.mid(slash + 1);
    static const QRegularExpression cutting(QStringLiteral("[/@:]"));
    if (slash < 0 || database.contains(cutting))
        return false;
    address.database = decoded(database);
    if (address.database.isEmpty() || !isPrintable(address.database))
        return false;
    return readUserAndHost(path.left(slash), address) && (question < 0 || readOptions(rest.mid(question + 1), address));
}

// A part that names a password, in any case, once its %XX are read: refused wherever it stands.
bool namesPassword(const ServerAddress &address)
{
    const QStringList parts = QStringList{address.user, address.host, address.database} + address.options;
    return std::any_of(parts.begin(), parts.end(),
                       [](const QString &part) { return part.contains(QLatin1String("password"), Qt::CaseInsensitive); });
}

// Asked only of what was refused: which of the two messages helps the user.
bool mayHoldPassword(const QString &rest)
{
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    return (at >= 0 && rest.left(at).contains(QLatin1Char(':')))
        || decoded(rest).contains(QLatin1String("password"), Qt::CaseInsensitive);
}

} // namespace

Result ServerAddress::parse(const QString &text, ServerAddress &out)
{
    if (!isServerAddress(text))
        return malformed();
    const QString rest = text.mid(text.indexOf(QLatin1String("://")) + 3);
    ServerAddress address;
    if (!readAddress(rest, address))
        return mayHoldPassword(rest) ? withPassword() : malformed();
    if (namesPassword(address))
        return withPassword();
    out = address;
    return Result::success();
}

QString ServerAddress::shown(const QString &text)
{
    if (!isServerAddress(text))
        return text;
    ServerAddress address;
    if (parse(text, address))
        return address.shownText();
    return text.left(text.indexOf(QLatin1String("://")) + 3) + QStringLiteral("…");
}

bool ServerAddress::isServerAddress(const QString &text)
{
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString ServerAddress::shownText() const
{
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += encoded(user) + QLatin1Char('@');
    const bool ipv6 = host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('/'));
    text += ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : encoded(host);
    if (port >= 0)
        text += QLatin1Char(':') + QString::number(port);
    return text + QLatin1Char('/') + encoded(database);
}

QString ServerAddress::text() const
{
    QStringList pairs;
    for (const QString &option : options)
        pairs << option.section(QLatin1Char('='), 0, 0) + QLatin1Char('=') + encoded(option.section(QLatin1Char('='), 1));
    return pairs.isEmpty() ? shownText() : shownText() + QLatin1Char('?') + pairs.join(QLatin1Char('&'));
}

QString ServerAddress::driverOptions() const
{
    QStringList pairs;
    for (const QString &option : options) {
        QString value = option.section(QLatin1Char('='), 1);
        value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
        pairs << option.section(QLatin1Char('='), 0, 0) + QStringLiteral("='") + value + QLatin1Char('\'');
    }
    return pairs.join(QLatin1Char(';'));
}
