#include "bench/serverbenchparts.h"

#include "app/mainform.h"
#include "bench/benchsupport.h"
#include "commands/dialogs.h"
#include "data/connection/databaselocation.h"
#include "data/connection/engineconnection.h"
#include "data/records/recordsource.h"
#include "data/schema.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

/// Any dialog means something failed, and figures measured past a failure would mislead.
class FailingDialogs : public Dialogs
{
public:
    QString ask(const QString &prompt, const QString &) override { return stop(prompt), QString(); }
    MessageAnswer show(const Message &message) override { return stop(message.text), MessageAnswer::Ok; }
    InsertObjectChoice insertObject(const QString &) override { return stop(QStringLiteral("insert object")), InsertObjectChoice(); }
    QString saveFileName(const QString &) override { return stop(QStringLiteral("save file")), QString(); }
    bool openWithDesktop(const QString &) override { return stop(QStringLiteral("open with desktop")), false; }

private:
    static void stop(const QString &text) { require(false, qPrintable(QStringLiteral("a dialog: ") + text)); }
};

FailingDialogs g_dialogs;
QString g_lastSearchText;

const ColumnDefinition *firstColumn(const QString &table, bool indexed)
{
    const TableDefinition *definition = schemaTable(table);
    require(definition, "a table of the schema");
    for (const ColumnDefinition &column : definition->columns) {
        // The first column is the row's own code: an edit leaves it alone.
        if (column.type == ColumnType::Text && column.indexed == indexed && (indexed || &column != &definition->columns.first()))
            return &column;
    }
    return indexed ? &definition->columns.first() : nullptr;
}

QString rowValue(const QString &column, int row)
{
    return column + QString::number(row).rightJustified(4, QLatin1Char('0'));
}

QString generatedValue(const ColumnDefinition &column, bool onServer)
{
    switch (column.type) {
    case ColumnType::WholeNumber:
        return QStringLiteral("100 + i % 400");
    case ColumnType::Document:
        return QStringLiteral("NULL");
    case ColumnType::Text:
        break;
    }
    return onServer ? QStringLiteral("'%1' || lpad(i::text, 4, '0')").arg(column.name)
                    : QStringLiteral("printf('%1%04d', i)").arg(column.name);
}

QString quoted(const QString &name, bool onServer)
{
    return QLatin1Char('"') + (onServer ? name.toLower() : name) + QLatin1Char('"');
}

} // namespace

QVector<ScreenEntry> screenEntries()
{
    QVector<ScreenEntry> entries;
    for (const MenuGroup &group : menuGroups()) {
        for (const ScreenEntry &entry : group.entries) {
            if (entry.declaration)
                entries << entry;
        }
    }
    return entries;
}

std::unique_ptr<MainForm> startProgram()
{
    auto mainForm = std::make_unique<MainForm>(g_dialogs);
    mainForm->show();
    QApplication::processEvents();
    return mainForm;
}

std::unique_ptr<Screen> openScreen(const ScreenDeclaration &declaration)
{
    auto screen = std::make_unique<Screen>(declaration, g_dialogs, g_lastSearchText);
    screen->show();
    QApplication::processEvents();
    require(screen->buildFailures().isEmpty(), qPrintable(declaration.name + QStringLiteral(" built without failures")));
    return screen;
}

RecordSource &mainSource(Screen &screen)
{
    RecordSource *source = screen.source(screen.declaration().sources.first().name);
    require(source && source->hasCurrentRow(), "the screen's record source on a row");
    return *source;
}

void findRow(RecordSource &source, int row)
{
    const QString column = firstColumn(source.table(), true)->name;
    require(source.findFirst(QStringLiteral("[%1] = '%2'").arg(column, rowValue(column, row))));
    require(!source.noMatch(), "the row found");
}

void editRow(RecordSource &source, const QString &text)
{
    const ColumnDefinition *column = firstColumn(source.table(), false);
    require(column && source.setValue(column->name, text), "an edit");
}

void saveEdit(RecordSource &source, const QString &text)
{
    editRow(source, text);
    require(source.update());
}

void fillDatabase(bool onServer)
{
    EngineConnection connection;
    require(connection.open(kDatabasePath, EngineConnection::Missing::Create));
    for (const TableDefinition &table : schemaTables()) {
        QSqlQuery existing(connection.database());
        require(existing.exec(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table.name, onServer))) && existing.next()
                    && existing.value(0).toInt() == 0,
                "an empty database: the bench fills it");
        QStringList names;
        QStringList values;
        for (const ColumnDefinition &column : table.columns) {
            names << quoted(column.name, onServer);
            values << generatedValue(column, onServer);
        }
        const QString rows = onServer ? QStringLiteral("generate_series(1, %1) AS i").arg(kRows)
                                      : QStringLiteral("(WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                                       "WHERE i < %1) SELECT i FROM n)")
                                            .arg(kRows);
        require(connection.execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
                                       .arg(quoted(table.name, onServer), names.join(QStringLiteral(", ")),
                                            values.join(QStringLiteral(", ")), rows)));
    }
}

ScreenTimings timeScreens(const QStringList &forms)
{
    ScreenTimings timings;
    for (const ScreenEntry &entry : screenEntries()) {
        if (!forms.contains(entry.form))
            continue;
        openScreen(entry.declaration());
        QElapsedTimer timer;
        timer.start();
        const std::unique_ptr<Screen> screen = openScreen(entry.declaration());
        const double openMs = elapsedMs(timer);
        RecordSource &source = mainSource(*screen);
        timer.restart();
        for (int move = 0; move < 10; ++move) {
            require(source.moveNext());
            QApplication::processEvents();
        }
        timings[entry.form] = {openMs, elapsedMs(timer)};
    }
    return timings;
}

int printFileTimings(const QStringList &forms)
{
    QTemporaryDir home;
    require(home.isValid(), "temporary folder");
    qputenv("VEMO_HOME", home.path().toUtf8());
    fillDatabase(false);
    for (const auto &[form, timing] : timeScreens(forms))
        std::printf("%s %.3f %.3f\n", qPrintable(form), timing.openMs, timing.tenMovesMs);
    return 0;
}

int runWriter(const QString &kind, int writer)
{
    const int row = 1 + writer * (kRows / 20);
    RecordSource source(QStringLiteral("Data1"));
    EngineConnection plain;
    QSqlQuery update;
    if (kind == QLatin1String("plain")) {
        require(plain.open(kDatabasePath));
        update = QSqlQuery(plain.database());
        require(update.prepare(QStringLiteral("UPDATE csf SET userphone = ? WHERE serviceno = ?")), "prepare");
    } else {
        require(source.open(kDatabasePath, QStringLiteral("CSF")));
        require(source.moveTo(row - 1));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QTextStream input(stdin);
    require(input.readLine() == QLatin1String("go"), "go");
    long saves = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kWritingSeconds * 1000) {
        const QString text = QStringLiteral("w%1-%2").arg(writer).arg(saves);
        if (kind == QLatin1String("plain")) {
            update.addBindValue(text);
            update.addBindValue(rowValue(QStringLiteral("serviceno"), row));
            require(update.exec() && update.numRowsAffected() == 1, "plain update");
        } else {
            saveEdit(source, text);
        }
        ++saves;
    }
    std::printf("%ld\n", saves);
    return 0;
}
