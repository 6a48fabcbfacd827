#include "data/connection/databaselocation.h"
#include "data/connection/serveraddress.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class ServerAddressTest : public QObject
{
    Q_OBJECT

private slots:
    void parses_data();
    void parses();
    void refused_data();
    void refused();
    void shownWithoutPassword_data();
    void shownWithoutPassword();
    void serverComesFromTheEnvironmentOrTheSettings_data();
    void serverComesFromTheEnvironmentOrTheSettings();
};

void ServerAddressTest::parses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("everything") << "postgresql://office@db.example:5433/vemo" << "db.example" << 5433 << "office"
                                << "vemo" << QStringList();
    QTest::newRow("short scheme, no user, no port")
        << "postgres://db.example/vemo" << "db.example" << -1 << "" << "vemo" << QStringList();
    QTest::newRow("local socket folder") << "postgresql://office@%2Fvar%2Frun%2Fpostgresql:5432/vemo"
                                         << "/var/run/postgresql" << 5432 << "office" << "vemo" << QStringList();
    QTest::newRow("IPv6 loopback") << "postgresql://office@[::1]:5432/vemo" << "::1" << 5432 << "office" << "vemo"
                                   << QStringList();
    QTest::newRow("IPv6 without a port") << "postgresql://[2001:db8::7]/vemo" << "2001:db8::7" << -1 << "" << "vemo"
                                         << QStringList();
    QTest::newRow("default host") << "postgresql:///vemo" << "" << -1 << "" << "vemo" << QStringList();
    QTest::newRow("the three options")
        << "postgresql://office@127.0.0.1:5432/vemo?sslmode=verify-full&connect_timeout=3&application_name=desk%2D2"
        << "127.0.0.1" << 5432 << "office" << "vemo"
        << QStringList{"sslmode=verify-full", "connect_timeout=3", "application_name=desk-2"};
    QTest::newRow("encoded database name") << "postgresql://h/%E5%85%AC%E5%8F%B8" << "h" << -1 << "" << "公司"
                                           << QStringList();
}

void ServerAddressTest::parses()
{
    QFETCH(QString, text);
    ServerAddress address;
    const Result parsed = ServerAddress::parse(text, address);
    QVERIFY2(parsed.ok(), qPrintable(parsed.message()));
    QTEST(address.host, "host");
    QTEST(address.port, "port");
    QTEST(address.user, "user");
    QTEST(address.database, "database");
    QTEST(address.options, "options");
    ServerAddress again;
    QVERIFY(ServerAddress::parse(address.text(), again).ok());
    QCOMPARE(again.text(), address.text());
}

void ServerAddressTest::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("password");
    QTest::newRow("password in the user part") << "postgresql://office:secret@h/vemo" << true;
    QTest::newRow("password as a parameter") << "postgresql://office@h/vemo?password=secret" << true;
    QTest::newRow("password after a malformed parameter") << "postgresql://h/vemo?sslmode&password=secret" << true;
    QTest::newRow("password with a slash") << "postgresql://office:p/w@h/vemo" << true;
    QTest::newRow("password with a question mark") << "postgresql://office:secr?t@h/vemo" << true;
    QTest::newRow("password with a slash and a question mark") << "postgresql://office:se/c?x=r@h/vemo" << true;
    QTest::newRow("password with a malformed port") << "postgresql://office:secret@h:54x2/vemo" << true;
    QTest::newRow("password after a semicolon in an option")
        << "postgresql://office@h:5432/vemo?application_name=x;password=secret" << true;
    QTest::newRow("password after an encoded blank") << "postgresql://office@h/vemo?application_name=x%20password=secret"
                                                     << true;
    QTest::newRow("password after an encoded semicolon")
        << "postgresql://office@h/vemo?application_name=x%3Bpassword%3Dsecret" << true;
    QTest::newRow("password as an encoded parameter") << "postgresql://office@h/vemo?%70assword=secret" << true;
    QTest::newRow("password after a blank") << "postgresql://office@h/vemo?sslmode=require password=secret" << true;
    QTest::newRow("password in the database name") << "postgresql://office@host:5432/vemo%20password=secret" << true;
    QTest::newRow("password in the database name, any case") << "postgresql://office@h/vemo%20PassWord%3Dsecret" << true;
    QTest::newRow("password encoded in the database name") << "postgresql://office@h/vemo%20%50assword%3Dsecret" << true;
    QTest::newRow("password in the user name") << "postgresql://password%3Dsecret@h/vemo" << true;
    QTest::newRow("password in the application name") << "postgresql://h/vemo?application_name=PASSWORDsecret" << true;
    QTest::newRow("password in the socket folder") << "postgresql://%2Ftmp%2Fpassword%2Fsecret/vemo" << true;
    QTest::newRow("encoded colon in the user") << "postgresql://office%3Asecret@h/vemo" << false;
    QTest::newRow("port with a blank") << "postgresql://h: 5432/vemo" << false;
    QTest::newRow("port with a sign") << "postgresql://h:+5432/vemo" << false;
    QTest::newRow("no database") << "postgresql://office@h:5432" << false;
    QTest::newRow("port not a number") << "postgresql://h:54x2/vemo" << false;
    QTest::newRow("port out of range") << "postgresql://h:70000/vemo" << false;
    QTest::newRow("parameter without value") << "postgresql://h/vemo?sslmode" << false;
    QTest::newRow("host as a parameter") << "postgresql:///vemo?host=/tmp" << false;
    QTest::newRow("other libpq option") << "postgresql://h/vemo?options=-csearch_path%3Dshop" << false;
    QTest::newRow("unknown ssl mode") << "postgresql://h/vemo?sslmode=sometimes" << false;
    QTest::newRow("timeout not digits") << "postgresql://h/vemo?connect_timeout=1s" << false;
    QTest::newRow("application name with a quote") << "postgresql://h/vemo?application_name=a'b" << false;
    QTest::newRow("option given twice") << "postgresql://h/vemo?sslmode=require&sslmode=disable" << false;
    QTest::newRow("IPv6 without brackets") << "postgresql://::1/vemo" << false;
    QTest::newRow("IPv6 not closed") << "postgresql://[::1/vemo" << false;
    QTest::newRow("host name with a blank") << "postgresql://db%20server/vemo" << false;
    QTest::newRow("host name and a line break") << "postgresql://db\n/vemo" << false;
    QTest::newRow("IPv6 and a line break") << "postgresql://[::1\n]/vemo" << false;
    QTest::newRow("socket folder with a quote") << "postgresql://%2Ftmp%2Fa'b/vemo" << false;
    QTest::newRow("two at signs") << "postgresql://a@b@h/vemo" << false;
    QTest::newRow("a file path") << "/home/office/vemo.sqlite" << false;
}

void ServerAddressTest::refused()
{
    QFETCH(QString, text);
    QFETCH(bool, password);
    ServerAddress address;
    address.host = QStringLiteral("untouched");
    const Result parsed = ServerAddress::parse(text, address);
    QVERIFY(!parsed.ok());
    QCOMPARE(parsed.message().contains(QStringLiteral("不可包含密碼")), password);
    QVERIFY(!parsed.message().contains(QStringLiteral("secret")));
    QVERIFY(!parsed.message().contains(QStringLiteral("vemo?")));
    QVERIFY(!ServerAddress::shown(text).contains(QStringLiteral("secret")));
    QCOMPARE(address.host, QStringLiteral("untouched"));
}

void ServerAddressTest::shownWithoutPassword_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("as parsed") << "postgres://office@h:5432/vemo" << "postgresql://office@h:5432/vemo";
    QTest::newRow("without the options") << "postgresql://h/vemo?sslmode=require&application_name=desk"
                                         << "postgresql://h/vemo";
    QTest::newRow("socket folder") << "postgresql://%2ftmp%2fpg/vemo" << "postgresql://%2Ftmp%2Fpg/vemo";
    QTest::newRow("IPv6") << "postgresql://[::1]:5432/vemo" << "postgresql://[::1]:5432/vemo";
    QTest::newRow("database name readable") << "postgresql://h/%E5%85%AC%E5%8F%B8" << "postgresql://h/公司";
    QTest::newRow("refused: the scheme only") << "postgresql://office:s3cr:et@h:5432/vemo" << "postgresql://…";
    QTest::newRow("a file path with a colon and an at") << "/srv/a:b@c/vemo.sqlite" << "/srv/a:b@c/vemo.sqlite";
}

void ServerAddressTest::shownWithoutPassword()
{
    QFETCH(QString, text);
    QTEST(ServerAddress::shown(text), "shown");
}

void ServerAddressTest::serverComesFromTheEnvironmentOrTheSettings_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("server");
    const QString fromSettings = QStringLiteral("postgresql://office@db/vemo");
    const QString fromEnvironment = QStringLiteral("postgresql://clerk@other/vemo");
    QTest::newRow("neither: the file") << "" << "" << "";
    QTest::newRow("settings") << "" << fromSettings << fromSettings;
    QTest::newRow("environment") << fromEnvironment << "" << fromEnvironment;
    QTest::newRow("environment over settings") << fromEnvironment << fromSettings << fromEnvironment;
    const QString socket = QStringLiteral("postgresql://office@%2Fvar%2Frun%2Fpostgresql:5432/vemo?sslmode=disable&application_name=a,b");
    QTest::newRow("settings with a socket folder, options and a comma") << "" << socket << socket;
    QTest::newRow("environment naming a file") << "/srv/office/vemo.sqlite" << fromSettings << "";
    QTest::newRow("settings naming a file") << "" << "/srv/office/vemo.sqlite" << "";
    QTest::newRow("a mistyped scheme is an address, never a file") << "postgre://office@db/vemo" << "" << "postgre://office@db/vemo";
}

void ServerAddressTest::serverComesFromTheEnvironmentOrTheSettings()
{
    QFETCH(QString, environment);
    QFETCH(QString, settings);
    QFETCH(QString, server);
    QTemporaryDir home;
    qputenv("VEMO_HOME", home.path().toUtf8());
    qputenv("VEMO_DATABASE", environment.toUtf8());
    if (!settings.isEmpty()) {
        QFile file(settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("database=" + settings.toUtf8() + "\n");
    }

    QCOMPARE(serverFor(kDatabasePath), server);
    QCOMPARE(serverFor(QStringLiteral("c:\\vemo\\vemo.mdb")), server);
    QCOMPARE(serverFor(home.path() + QStringLiteral("/other.sqlite")), QString());
    const QString named = environment.isEmpty() ? settings : environment;
    const bool namesFile = server.isEmpty() && !named.isEmpty();
    QCOMPARE(mappedDatabaseFile(kDatabasePath), namesFile ? named : home.path() + QStringLiteral("/vemo.sqlite"));
    QCOMPARE(resolvedDatabase(QString()), server.isEmpty() ? mappedDatabaseFile(kDatabasePath) : server);
    qunsetenv("VEMO_DATABASE");
    qunsetenv("VEMO_HOME");
}

QTEST_GUILESS_MAIN(ServerAddressTest)
#include "tst_serveraddress.moc"
