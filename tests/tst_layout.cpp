#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <functional>

// The tree's own rules, read from the sources: the data library's files never
// include each other round in a loop, no program file grows past its size,
// statements are written in the data library only, and only the engines
// include an engine's own headers.

namespace {

const QString kSourceRoot = QStringLiteral(VEMO_SOURCE_DIR);

QStringList sourceFiles(const QString &folder)
{
    QStringList files;
    QDirIterator it(kSourceRoot + QLatin1Char('/') + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(kSourceRoot.size() + 1);
    files.sort();
    return files;
}

QString contents(const QString &file)
{
    QFile source(kSourceRoot + QLatin1Char('/') + file);
    if (!source.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file));
    return QString::fromUtf8(source.readAll());
}

// A header and its source are one unit: "data/schema.h" and "data/schema.cpp" are "data/schema".
QString unitOf(const QString &file)
{
    return file.left(file.lastIndexOf(QLatin1Char('.')));
}

QHash<QString, QSet<QString>> dataIncludes()
{
    static const QRegularExpression include(QStringLiteral("^#include \"(data/[^\"]+)\""),
                                            QRegularExpression::MultilineOption);
    QHash<QString, QSet<QString>> graph;
    for (const QString &file : sourceFiles(QStringLiteral("data"))) {
        const QString unit = unitOf(file);
        auto match = include.globalMatch(contents(file));
        while (match.hasNext()) {
            const QString included = unitOf(match.next().captured(1));
            if (included != unit)
                graph[unit].insert(included);
        }
    }
    return graph;
}

// The units from which `start` can be reached again, as a path, or empty.
QStringList loopThrough(const QHash<QString, QSet<QString>> &graph, const QString &start)
{
    QStringList path{start};
    QSet<QString> seen;
    std::function<bool(const QString &)> reaches = [&](const QString &unit) {
        for (const QString &next : graph.value(unit)) {
            path << next;
            if (next == start || (!seen.contains(next) && (seen.insert(next), reaches(next))))
                return true;
            path.removeLast();
        }
        return false;
    };
    return reaches(start) ? path : QStringList();
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void dataLibraryHasNoIncludeLoop()
    {
        const auto graph = dataIncludes();
        QVERIFY(!graph.isEmpty());
        for (auto it = graph.cbegin(); it != graph.cend(); ++it) {
            const QStringList loop = loopThrough(graph, it.key());
            QVERIFY2(loop.isEmpty(), qPrintable(loop.join(QStringLiteral(" -> "))));
        }
    }

    void programFilesStaySmall()
    {
        for (const char *folder : {"app", "data", "bound", "commands", "screens", "lending", "admin"}) {
            for (const QString &file : sourceFiles(QString::fromLatin1(folder))) {
                const int lines = contents(file).count(QLatin1Char('\n'));
                QVERIFY2(lines <= 450, qPrintable(QStringLiteral("%1 has %2 lines").arg(file).arg(lines)));
            }
        }
    }

    void statementsOnlyInTheDataLibrary()
    {
        static const QRegularExpression statement(
            QStringLiteral("\"\\s*(SELECT|INSERT INTO|UPDATE|DELETE FROM|CREATE|DROP|ALTER|PRAGMA|BEGIN|COMMIT|ROLLBACK)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        for (const char *folder : {"app", "bound", "commands", "screens", "lending", "admin"}) {
            for (const QString &file : sourceFiles(QString::fromLatin1(folder))) {
                const auto match = statement.match(contents(file));
                QVERIFY2(!match.hasMatch(), qPrintable(QStringLiteral("%1: %2").arg(file, match.captured(0))));
            }
        }
    }

    void engineHeadersOnlyWithinTheEngines()
    {
        static const QRegularExpression engineInclude(QStringLiteral("^#include \"data/engine/[^\"]+/"),
                                                      QRegularExpression::MultilineOption);
        const QString engines = QStringLiteral("data/engine/");
        for (const char *folder : {"app", "data", "bound", "commands", "screens", "lending", "admin", "program",
                                   "system", "tests", "bench", "fuzz"}) {
            for (const QString &file : sourceFiles(QString::fromLatin1(folder))) {
                if (file.startsWith(engines))
                    continue;
                const auto match = engineInclude.match(contents(file));
                QVERIFY2(!match.hasMatch(), qPrintable(QStringLiteral("%1: %2").arg(file, match.captured(0))));
            }
        }
    }
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "tst_layout.moc"
