// Saves customer rows one by one as the program does, and prints the key of
// each row whose save returned success. Used by the tests that start several
// programs on one file or kill one mid-write; with "hold" it then keeps the
// file open until its input ends, as a program left running does.
#include "data/connection/databaselocation.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vemo_saver TAG COUNT (0 = until killed) [hold]\n");
        return 64;
    }
    const QString tag = QString::fromLocal8Bit(argv[1]);
    const int count = QString::fromLocal8Bit(argv[2]).toInt();
    EngineConnection shared;
    if (Result opened = shared.open(kDatabasePath, EngineConnection::Missing::Create); !opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.message()));
        return 2;
    }
    RecordSource customers(QStringLiteral("Data1"));
    if (Result opened = customers.open(kDatabasePath, QStringLiteral("CF")); !opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.message()));
        return 2;
    }
    for (int i = 1; count == 0 || i <= count; ++i) {
        const QString key = QStringLiteral("%1-%2").arg(tag).arg(i);
        Result saved = customers.addNew();
        customers.setValue(QStringLiteral("customerno"), key);
        customers.setValue(QStringLiteral("companyname"), QString(200, QLatin1Char('x')));
        if (saved)
            saved = customers.update();
        if (!saved) {
            std::fprintf(stderr, "%s\n", qPrintable(saved.message()));
            return 3;
        }
        std::printf("%s\n", qPrintable(key));
        std::fflush(stdout);
    }
    if (argc > 3 && qstrcmp(argv[3], "hold") == 0) {
        std::printf("holding\n");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
    }
    return 0;
}
