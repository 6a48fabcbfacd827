// Any text put into a server address, opened through the engine against a
// port where nothing listens: the open fails, refused or unreachable, and no
// password written anywhere in the address reaches its message.
#include "data/connection/engineconnection.h"
#include "fuzz/fuzzinput.h"

#include <QCoreApplication>

namespace {

const QString kSecret = QStringLiteral("S3cr3tPw");

/// Addresses that carry the text, and the password in each way one can be written.
QStringList addressesAround(const QString &text)
{
    const QString server = QStringLiteral("postgresql://office@127.0.0.1:1/vemo");
    return {
        server + QStringLiteral("?application_name=") + text,
        server + QStringLiteral("?connect_timeout=1&sslmode=") + text,
        QStringLiteral("postgresql://") + text + QStringLiteral("@127.0.0.1:1/vemo"),
        QStringLiteral("postgresql://office@127.0.0.1:1/") + text,
        QStringLiteral("postgresql://office:") + kSecret + text + QStringLiteral("@127.0.0.1:1/vemo"),
        server + QStringLiteral("?password=") + kSecret + text,
        server + QStringLiteral("?application_name=") + text + QStringLiteral(";password=") + kSecret,
        server + QStringLiteral("?application_name=x%20password%3D") + kSecret + text,
        server + QStringLiteral("?application_name=") + text + QStringLiteral("%3Bpassword%3D") + kSecret,
        server + QStringLiteral("?application_name=x password=") + kSecret + text,
    };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    for (const QString &address : addressesAround(text)) {
        EngineConnection connection;
        const Result opened = connection.open(address);
        FUZZ_CHECK(!opened);
        FUZZ_CHECK(!opened.message().isEmpty());
        FUZZ_CHECK(!opened.message().contains(kSecret, Qt::CaseInsensitive));
        FUZZ_CHECK(!opened.statement().contains(kSecret, Qt::CaseInsensitive));
    }
    return 0;
}
