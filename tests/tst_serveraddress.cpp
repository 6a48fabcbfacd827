#include "data/databaselocation.h"
#include "data/serveraddress.h"

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
    QTest::newRow("host and user as parameters") << "postgresql:///vemo?host=/tmp&user=clerk" << "/tmp" << -1 << "clerk"
                                                 << "vemo" << QStringList();
    QTest::newRow("other parameters passed on")
        << "postgresql://office@127.0.0.1:5432/vemo?sslmode=require&options=-csearch_path%3Dshop"
        << "127.0.0.1" << 5432 << "office" << "vemo" << QStringList{"sslmode=require", "options=-csearch_path=shop"};
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
}

void ServerAddressTest::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString malformed = QStringLiteral("資料庫伺服器位址的格式不對,應為 postgresql://使用者@主機:連接埠/資料庫。");
    const QString password = QStringLiteral("資料庫伺服器位址不可包含密碼;請改用 ~/.pgpass 或 PGPASSWORD。");
    QTest::newRow("password in the user part") << "postgresql://office:secret@h/vemo" << password;
    QTest::newRow("password as a parameter") << "postgresql://office@h/vemo?password=secret" << password;
    QTest::newRow("password after a malformed parameter") << "postgresql://h/vemo?sslmode&password=secret" << password;
    QTest::newRow("password with a slash") << "postgresql://office:p/w@h/vemo" << password;
    QTest::newRow("password with a question mark") << "postgresql://office:secr?t@h/vemo" << password;
    QTest::newRow("password with a slash and a question mark") << "postgresql://office:se/c?x=r@h/vemo" << password;
    QTest::newRow("port with a blank") << "postgresql://h: 5432/vemo" << malformed;
    QTest::newRow("port with a sign") << "postgresql://h:+5432/vemo" << malformed;
    QTest::newRow("password with a malformed port") << "postgresql://office:secret@h:54x2/vemo" << password;
    QTest::newRow("no database") << "postgresql://office@h:5432" << malformed;
    QTest::newRow("port not a number") << "postgresql://h:54x2/vemo" << malformed;
    QTest::newRow("port out of range") << "postgresql://h:70000/vemo" << malformed;
    QTest::newRow("parameter without value") << "postgresql://h/vemo?sslmode" << malformed;
    QTest::newRow("a file path") << "/home/office/vemo.sqlite" << malformed;
}

void ServerAddressTest::refused()
{
    QFETCH(QString, text);
    ServerAddress address;
    address.host = QStringLiteral("untouched");
    const Result parsed = ServerAddress::parse(text, address);
    QVERIFY(!parsed.ok());
    QTEST(parsed.message(), "message");
    QVERIFY(!parsed.message().contains(QStringLiteral("secret")));
    QCOMPARE(address.host, QStringLiteral("untouched"));
}

void ServerAddressTest::shownWithoutPassword_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no password") << "postgresql://office@h:5432/vemo" << "postgresql://office@h:5432/vemo";
    QTest::newRow("in the user part") << "postgresql://office:s3cr:et@h:5432/vemo" << "postgresql://office:***@h:5432/vemo";
    QTest::newRow("as a parameter") << "postgres://h/vemo?sslmode=require&password=secret&user=a"
                                    << "postgres://h/vemo?sslmode=require&password=***&user=a";
    QTest::newRow("first parameter") << "postgresql://h/vemo?password=secret" << "postgresql://h/vemo?password=***";
    QTest::newRow("slash and at in the password") << "postgresql://office:p/a@ss@h/vemo" << "postgresql://office:***@h/vemo";
    QTest::newRow("question mark in the password") << "postgresql://office:p?w@h/vemo" << "postgresql://office:***@h/vemo";
    QTest::newRow("password-like text in the path") << "postgresql://h/db&password=x" << "postgresql://h/db&password=x";
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
    const QString socket = QStringLiteral("postgresql://office@%2Fvar%2Frun%2Fpostgresql:5432/vemo?sslmode=disable&options=-cx%3Dy,z");
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
