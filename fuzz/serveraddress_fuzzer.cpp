// Any text given as a server address: it never crashes, an address it takes
// is whole, and a password never reaches a message or the address as shown.
#include "data/connection/serveraddress.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);

    for (const QString &address : {text, QStringLiteral("postgresql://") + text}) {
        ServerAddress parsed;
        const Result result = ServerAddress::parse(address, parsed);
        if (result) {
            FUZZ_CHECK(!parsed.database.isEmpty());
            FUZZ_CHECK(parsed.port == -1 || (parsed.port > 0 && parsed.port <= 65535));
        } else {
            // Either refusal is told in its own words, quoting nothing of the address.
            static ServerAddress unused;
            static const QString malformed = ServerAddress::parse(QStringLiteral("x"), unused).message();
            static const QString password = ServerAddress::parse(QStringLiteral("postgresql://a:b@h/d"), unused).message();
            FUZZ_CHECK(result.message() == malformed || result.message() == password);
        }
        FUZZ_CHECK(ServerAddress::shown(ServerAddress::shown(address)) == ServerAddress::shown(address));
    }

    // Whatever the password, it is refused and never shown.
    const QString secret = QStringLiteral("S3cr") + text + QStringLiteral("t!");
    const QString withPassword = QStringLiteral("postgresql://office:") + secret + QStringLiteral("@db/vemo");
    ServerAddress parsed;
    const Result refused = ServerAddress::parse(withPassword, parsed);
    FUZZ_CHECK(!refused && !refused.message().contains(secret));
    FUZZ_CHECK(!ServerAddress::shown(withPassword).contains(secret));
    const QString inTheName = QStringLiteral("postgresql://office@db:5432/vemo%20PassWord=") + secret;
    FUZZ_CHECK(!ServerAddress::parse(inTheName, parsed) && !ServerAddress::shown(inTheName).contains(secret));
    return 0;
}
