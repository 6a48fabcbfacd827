#include "bound/boundlineedit.h"
#include "bound/boundtextedit.h"
#include "bound/lookuplist.h"
#include "bound/recordgrid.h"
#include "data/connection/databaselocation.h"
#include "data/records/recordsource.h"
#include "support/scripteddialogs.h"
#include "support/testdatabase.h"

#include <QAbstractItemView>
#include <QKeySequence>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class BoundControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineEditShowsTheCurrentRowAndFollowsMoves();
    void typedTextIsBufferedAndWrittenOnMove();
    void lineEditMovesToItsEnds_data();
    void lineEditMovesToItsEnds();
    void textEditKeepsItsLineBreaks();
    void longTextIsShownAndWrittenWhole_data();
    void longTextIsShownAndWrittenWhole();
    void fieldsTakeNoTypingWithoutARow_data();
    void fieldsTakeNoTypingWithoutARow();
    void addNewMakesTheFieldsEditable();

    void lookupListIsFilledOnceWithTheShownColumn();
    void lookupListDisplaysTheMatchingEntry_data();
    void lookupListDisplaysTheMatchingEntry();
    void longLookupListShowsTheRightEntry_data();
    void longLookupListShowsTheRightEntry();
    void lookupListTakesTheFirstEntryTheEngineMatches_data();
    void lookupListTakesTheFirstEntryTheEngineMatches();
    void typingFindsAnEntryPastTheFirstChunk_data();
    void typingFindsAnEntryPastTheFirstChunk();
    void choosingAnEntryWritesItsBoundValue();
    void storedCodeStaysAsItIsUntilChosen_data();
    void storedCodeStaysAsItIsUntilChosen();

    void gridShowsTheKeysetAndEveryColumn();
    void keysMoveOverATableLargerThanTheGridHolds_data();
    void keysMoveOverATableLargerThanTheGridHolds();
    void scrollingToTheEndShowsTheLastRowsWithoutMoving();
    void gridAndSourceFollowEachOther_data();
    void gridAndSourceFollowEachOther();
    void cellEditInAnotherRowMovesThereFirst();
    void refusedGridMoveIsReportedAndTheGridStays_data();
    void refusedGridMoveIsReportedAndTheGridStays();
    void rowsAddedAndDeletedThroughTheSourceShowInTheGrid();
    void gridDuringAddNewLeavesThePendingRowAlone();

private:
    std::unique_ptr<RecordSource> openSource(const QString &table, const QString &name = QStringLiteral("Data1"));
    void insertCustomers();

    std::unique_ptr<TestDatabase> m_database;
    ScriptedDialogs m_dialogs;
};

namespace {

const QString kRefusedStock = QStringLiteral("資料無法儲存:「inventory」只能輸入數字,「abc」不是數字。");

/// Chooses an entry as a user does: opens the list and presses Return on it.
void choose(QComboBox &combo, int row)
{
    combo.showPopup();
    QAbstractItemView *view = combo.view();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
}

QStringList firstColumn(const QAbstractItemModel &model)
{
    QStringList values;
    for (int row = 0; row < model.rowCount(); ++row)
        values << model.data(model.index(row, 0)).toString();
    return values;
}

QList<int> selectedRows(const QAbstractItemView &view)
{
    QList<int> rows;
    for (const QModelIndex &index : view.selectionModel()->selectedRows())
        rows << index.row();
    return rows;
}

} // namespace

void BoundControlsTest::init()
{
    m_dialogs = ScriptedDialogs();
    m_database = std::make_unique<TestDatabase>();
}

void BoundControlsTest::cleanup()
{
    const QStringList deviations = m_dialogs.deviations();
    m_database.reset();
    QVERIFY2(deviations.isEmpty(), qPrintable(deviations.join(QStringLiteral("; "))));
}

std::unique_ptr<RecordSource> BoundControlsTest::openSource(const QString &table, const QString &name)
{
    auto source = std::make_unique<RecordSource>(name);
    if (Result opened = source->open(kDatabasePath, table); !opened) {
        qWarning("%s", qPrintable(opened.message()));
        return nullptr;
    }
    return source;
}

void BoundControlsTest::insertCustomers()
{
    m_database->insert("CF", {"C1", "Alpha Co", "I1", "1 Harbour Road\nKeelung"});
    m_database->insert("CF", {"C2", "Beta Co", "i2"});
    m_database->insert("CF", {"C3", "Gamma Co", "X9"});
    m_database->insert("INDUSTRY", {"I1", "Banking"});
    m_database->insert("INDUSTRY", {"I2", "Chemicals"});
    m_database->insert("INDUSTRY", {"I3", "Textiles"});
}

void BoundControlsTest::lineEditShowsTheCurrentRowAndFollowsMoves()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    BoundLineEdit edit(*source, source->columnIndex("companyname"));

    QCOMPARE(edit.text(), QString("Alpha Co"));
    QVERIFY(!edit.isReadOnly());
    QVERIFY(source->moveLast());
    QCOMPARE(edit.text(), QString("Gamma Co"));
    QVERIFY(source->movePrevious());
    QCOMPARE(edit.text(), QString("Beta Co"));
    QVERIFY(source->moveLast());
    QVERIFY(source->moveNext());
    QVERIFY(source->isAfterLast());
    QCOMPARE(edit.text(), QString());
    QVERIFY(edit.isReadOnly());
}

void BoundControlsTest::typedTextIsBufferedAndWrittenOnMove()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    BoundLineEdit edit(*source, source->columnIndex("companyname"));

    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClicks(&edit, " Ltd");
    QCOMPARE(source->value("companyname").toString(), QString("Alpha Co Ltd"));
    QVERIFY(source->hasPendingEdits());
    QCOMPARE(m_database->value("SELECT companyname FROM CF WHERE customerno = 'C1'").toString(), QString("Alpha Co"));

    QVERIFY(source->moveNext());
    QCOMPARE(edit.text(), QString("Beta Co"));
    QCOMPARE(m_database->value("SELECT companyname FROM CF WHERE customerno = 'C1'").toString(),
             QString("Alpha Co Ltd"));
    QVERIFY(source->moveFirst());
    QCOMPARE(edit.text(), QString("Alpha Co Ltd"));
}

void BoundControlsTest::lineEditMovesToItsEnds_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("selected");
    QTest::newRow("to the end") << "Ctrl+End" << 8 << "";
    QTest::newRow("back to the start") << "Ctrl+End, Ctrl+Home" << 0 << "";
    QTest::newRow("selecting to the end") << "Right, Right, Ctrl+Shift+End" << 8 << "pha Co";
    QTest::newRow("selecting to the start") << "Ctrl+End, Left, Ctrl+Shift+Home" << 0 << "Alpha C";
}

void BoundControlsTest::lineEditMovesToItsEnds()
{
    QFETCH(QString, keys);
    QFETCH(int, cursor);
    QFETCH(QString, selected);
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    BoundLineEdit edit(*source, source->columnIndex("companyname"));

    QTest::keySequence(&edit, QKeySequence(keys));

    QCOMPARE(edit.cursorPosition(), cursor);
    QCOMPARE(edit.selectedText(), selected);
    QCOMPARE(edit.text(), QString("Alpha Co"));
}

void BoundControlsTest::textEditKeepsItsLineBreaks()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    BoundTextEdit edit(*source, source->columnIndex("address"), false, true);
    QCOMPARE(edit.toPlainText(), QString("1 Harbour Road\nKeelung"));
    QVERIFY(!source->hasPendingEdits());

    edit.moveCursor(QTextCursor::End);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "Taiwan");
    QCOMPARE(source->value("address").toString(), QString("1 Harbour Road\nKeelung\nTaiwan"));

    QVERIFY(source->moveNext());
    QCOMPARE(edit.toPlainText(), QString());
    QCOMPARE(m_database->value("SELECT address FROM CF WHERE customerno = 'C1'").toString(),
             QString("1 Harbour Road\nKeelung\nTaiwan"));
    QVERIFY(source->moveFirst());
    QCOMPARE(edit.toPlainText(), QString("1 Harbour Road\nKeelung\nTaiwan"));
}

void BoundControlsTest::longTextIsShownAndWrittenWhole_data()
{
    QTest::addColumn<bool>("inGrid");
    QTest::addColumn<bool>("pasted");
    QTest::newRow("field, last character erased") << false << false;
    QTest::newRow("field, a megabyte pasted") << false << true;
    QTest::newRow("grid cell, last character erased") << true << false;
    QTest::newRow("grid cell, a megabyte pasted") << true << true;
}

void BoundControlsTest::longTextIsShownAndWrittenWhole()
{
    QFETCH(bool, inGrid);
    QFETCH(bool, pasted);
    QString stored;
    for (int i = 0; stored.size() < 40004; ++i)
        stored += QString::number(i) + QLatin1Char(' ');
    stored.truncate(40004);
    m_database->insert("CF", {"C1", "Alpha Co", "", "", stored});
    auto source = openSource("CF");
    QVERIFY(source);
    const int column = source->columnIndex("city");
    BoundLineEdit field(*source, column);
    RecordGrid grid(*source, true, m_dialogs);
    QLineEdit *editor = &field;
    if (inGrid) {
        grid.edit(grid.model()->index(0, column));
        editor = grid.findChild<QLineEdit *>();
        QVERIFY(editor);
    }
    QCOMPARE(editor->text(), stored);

    const QString expected = pasted ? QString(1 << 20, QLatin1Char('m')) : stored.chopped(1);
    if (pasted) {
        editor->selectAll();
        editor->insert(expected);
    } else {
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClick(editor, Qt::Key_Backspace);
    }
    if (inGrid) {
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(source->hasPendingEdits());
    }
    QVERIFY(source->writePendingEdits());
    QCOMPARE(m_database->value("SELECT city FROM CF WHERE customerno = 'C1'").toString(), expected);
}

void BoundControlsTest::fieldsTakeNoTypingWithoutARow_data()
{
    QTest::addColumn<bool>("deleteTheRow");
    QTest::newRow("empty table") << false;
    QTest::newRow("place of a deleted row") << true;
}

void BoundControlsTest::fieldsTakeNoTypingWithoutARow()
{
    QFETCH(bool, deleteTheRow);
    m_database->insert("INDUSTRY", {"I1", "Banking"});
    if (deleteTheRow)
        m_database->insert("CF", {"C1", "Alpha Co", "I1", "Somewhere"});
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    if (deleteTheRow)
        QVERIFY(source->deleteCurrent());
    BoundLineEdit line(*source, source->columnIndex("companyname"));
    BoundTextEdit text(*source, source->columnIndex("address"), false, false);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");

    QVERIFY(line.isReadOnly());
    QVERIFY(text.isReadOnly());
    QVERIFY(!lookup.isEnabled());
    QCOMPARE(line.text(), QString());
    QCOMPARE(text.toPlainText(), QString());
    QCOMPARE(lookup.currentIndex(), -1);
    QTest::keyClicks(&line, "typed");
    QTest::keyClicks(&text, "typed");
    QCOMPARE(line.text(), QString());
    QCOMPARE(text.toPlainText(), QString());
    QVERIFY(!source->hasPendingEdits());
}

void BoundControlsTest::addNewMakesTheFieldsEditable()
{
    m_database->insert("INDUSTRY", {"I1", "Banking"});
    m_database->insert("INDUSTRY", {"I2", "Chemicals"});
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    BoundLineEdit line(*source, source->columnIndex("customerno"));
    BoundTextEdit text(*source, source->columnIndex("address"), false, false);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");

    QVERIFY(source->addNew());
    QVERIFY(!line.isReadOnly());
    QVERIFY(!text.isReadOnly());
    QVERIFY(lookup.isEnabled());
    QTest::keyClicks(&line, "C7");
    QTest::keyClicks(&text, "Main Street");
    choose(lookup, 1);
    QVERIFY(source->update());

    const QVector<QVariantList> rows = m_database->rows("SELECT customerno, address, industryno FROM CF");
    QCOMPARE(rows, (QVector<QVariantList>{{"C7", "Main Street", "I2"}}));
    QCOMPARE(line.text(), QString("C7"));
    QCOMPARE(lookup.currentText(), QString("Chemicals"));
}

void BoundControlsTest::lookupListIsFilledOnceWithTheShownColumn()
{
    insertCustomers();
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");
    m_database->insert("INDUSTRY", {"I4", "Mining"});
    QVERIFY(source->moveNext());
    QVERIFY(industries->moveLast());

    QStringList shown;
    for (int i = 0; i < lookup.count(); ++i)
        shown << lookup.itemText(i);
    QCOMPARE(shown, (QStringList{"Banking", "Chemicals", "Textiles"}));
}

void BoundControlsTest::lookupListDisplaysTheMatchingEntry_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QString>("boundValue");

    QTest::newRow("same code") << QVariant("I2") << "Chemicals" << "" << "I2";
    QTest::newRow("code in another case") << QVariant("i3") << "Textiles" << "" << "i3";
    QTest::newRow("code of no entry") << QVariant("X9") << "" << "X9" << "X9";
    QTest::newRow("no code") << QVariant() << "" << "" << "";
}

void BoundControlsTest::lookupListDisplaysTheMatchingEntry()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);
    QFETCH(QString, placeholder);
    QFETCH(QString, boundValue);
    insertCustomers();
    m_database->insert("CF", {"C4", "Delta Co", stored});
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");

    QVERIFY(source->moveLast());
    QCOMPARE(lookup.currentText(), shown);
    QCOMPARE(lookup.placeholderText(), placeholder);
    QCOMPARE(lookup.boundValue(), boundValue);
    QVERIFY(lookup.isEnabled());
}

/// Trades I001..I300 shown as "Trade 001".., with I002 and I150 deleted so
/// that the identities have gaps; one customer whose trade is the given code.
static void insertLongTradeList(TestDatabase &database, const QString &storedCode)
{
    for (int i = 1; i <= 300; ++i)
        database.insert("INDUSTRY", {QString("I%1").arg(i, 3, 10, QChar('0')), QString("Trade %1").arg(i, 3, 10, QChar('0'))});
    database.execute("DELETE FROM INDUSTRY WHERE industryno IN ('I002', 'I150')");
    database.insert("CF", {"C1", "Alpha Co", storedCode});
}

void BoundControlsTest::longLookupListShowsTheRightEntry_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("index");

    QTest::newRow("first") << "I001" << "Trade 001" << 0;
    QTest::newRow("past the first chunk") << "I200" << "Trade 200" << 197;
    QTest::newRow("past a gap, other case") << "i151" << "Trade 151" << 148;
    QTest::newRow("last") << "I300" << "Trade 300" << 297;
    QTest::newRow("deleted entry") << "I150" << "" << -1;
    QTest::newRow("added after the list was made") << "I301" << "" << -1;
}

void BoundControlsTest::longLookupListShowsTheRightEntry()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(int, index);
    insertLongTradeList(*m_database, stored);
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");
    m_database->insert("INDUSTRY", {"I301", "Trade 301"});
    QVERIFY(source->moveFirst());

    QCOMPARE(lookup.count(), 298);
    QCOMPARE(lookup.currentIndex(), index);
    QCOMPARE(lookup.currentText(), shown);
    QCOMPARE(lookup.placeholderText(), index < 0 ? stored : QString());
    // A code with no entry stays in the row as it was stored.
    QCOMPARE(lookup.boundValue(), stored);
    QVERIFY(!source->hasPendingEdits());
    QVERIFY(source->moveNext());
    QCOMPARE(m_database->value("SELECT industryno FROM CF"), QVariant(stored));
}

void BoundControlsTest::lookupListTakesTheFirstEntryTheEngineMatches_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("stored");

    QTest::newRow("another case before the same code") << QStringList{"i7", "I7"} << "I7";
    QTest::newRow("the same code before another case") << QStringList{"I7", "i7"} << "i7";
    QTest::newRow("accented, another case first") << QStringList{"É7", "é7"} << "é7";
    QTest::newRow("another code between") << QStringList{"I6", "i7", "I7"} << "I7";
}

void BoundControlsTest::lookupListTakesTheFirstEntryTheEngineMatches()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, stored);
    for (int i = 0; i < codes.size(); ++i)
        m_database->insert("INDUSTRY", {codes.at(i), QString("entry %1").arg(i)});
    m_database->insert("CF", {"C1", "Alpha Co", stored});
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    // Standing on the row read on opening, before the list asked for its entry to be read with the rows.
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");

    // The entries are named in list order, so the first the engine's own comparison matches has the least name.
    const QString first =
        m_database->value(QString("SELECT min(industryname) FROM INDUSTRY WHERE industryno = '%1'").arg(stored)).toString();
    QVERIFY(!first.isEmpty());
    QCOMPARE(lookup.currentText(), first);
}

void BoundControlsTest::typingFindsAnEntryPastTheFirstChunk_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("written");

    QTest::newRow("whole text") << "Trade 250" << "Trade 250" << "I250";
    QTest::newRow("other case") << "tRADE 270" << "Trade 270" << "I270";
    QTest::newRow("start of a text") << "Trade 29" << "Trade 290" << "I290";
    QTest::newRow("no entry keeps the choice") << "Zinc" << "Trade 001" << "I001";
}

void BoundControlsTest::typingFindsAnEntryPastTheFirstChunk()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, written);
    insertLongTradeList(*m_database, "I001");
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");
    lookup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lookup));

    QTest::keyClicks(&lookup, typed);
    QCOMPARE(lookup.currentText(), shown);
    QCOMPARE(source->value("industryno").toString(), written);
}

void BoundControlsTest::choosingAnEntryWritesItsBoundValue()
{
    insertCustomers();
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");
    lookup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lookup));
    QVERIFY(source->moveLast());

    choose(lookup, 2);
    QCOMPARE(lookup.currentText(), QString("Textiles"));
    QCOMPARE(lookup.boundValue(), QString("I3"));
    QCOMPARE(source->value("industryno").toString(), QString("I3"));
    QCOMPARE(m_database->value("SELECT industryno FROM CF WHERE customerno = 'C3'").toString(), QString("X9"));

    QVERIFY(source->moveFirst());
    QCOMPARE(lookup.currentText(), QString("Banking"));
    QCOMPARE(m_database->value("SELECT industryno FROM CF WHERE customerno = 'C3'").toString(), QString("I3"));
}

void BoundControlsTest::storedCodeStaysAsItIsUntilChosen_data()
{
    QTest::addColumn<QString>("customer");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("code of no entry") << "C3" << "X9" << "";
    QTest::newRow("code in another case") << "C2" << "i2" << "Chemicals";
}

void BoundControlsTest::storedCodeStaysAsItIsUntilChosen()
{
    QFETCH(QString, customer);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    insertCustomers();
    auto source = openSource("CF");
    auto industries = openSource("INDUSTRY", "Data2");
    QVERIFY(source && industries);
    LookupList lookup(*source, source->columnIndex("industryno"), *industries, "industryname", "industryno");
    BoundLineEdit city(*source, source->columnIndex("city"));
    QVERIFY(source->findFirst(QString("customerno = '%1'").arg(customer)));
    QCOMPARE(lookup.currentText(), shown);

    QTest::keyClicks(&city, "Tainan");
    QCOMPARE(lookup.boundValue(), stored);
    QVERIFY(source->moveFirst());
    const QString sql = QString("SELECT industryno, city FROM CF WHERE customerno = '%1'").arg(customer);
    QCOMPARE(m_database->rows(sql), (QVector<QVariantList>{{stored, "Tainan"}}));
}

void BoundControlsTest::gridShowsTheKeysetAndEveryColumn()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    const QAbstractItemModel &model = *grid.model();

    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 9);
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"customerno", "companyname", "industryno", "address", "city", "users", "telphoneno",
                                   "faxno", "emails"}));
    QCOMPARE(firstColumn(model), (QStringList{"C1", "C2", "C3"}));
    QCOMPARE(model.data(model.index(1, 1)).toString(), QString("Beta Co"));
    QCOMPARE(model.data(model.index(2, 2)).toString(), QString("X9"));
    QCOMPARE(model.data(model.index(2, 4)).toString(), QString());
    QVERIFY(model.flags(model.index(1, 1)) & Qt::ItemIsEditable);
}

void BoundControlsTest::keysMoveOverATableLargerThanTheGridHolds_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("row");
    QTest::newRow("down") << "Down" << 1;
    QTest::newRow("page down and up") << "PgDown, PgUp" << 0;
    QTest::newRow("to the end") << "Ctrl+End" << 499;
    QTest::newRow("up from the end") << "Ctrl+End, Up" << 498;
    QTest::newRow("page down at the end") << "Ctrl+End, PgDown" << 499;
    QTest::newRow("back to the start") << "Ctrl+End, Ctrl+Home" << 0;
}

void BoundControlsTest::keysMoveOverATableLargerThanTheGridHolds()
{
    QFETCH(QString, keys);
    QFETCH(int, row);
    m_database->insertNumbered("MSF", "M", 500);
    auto source = openSource("MSF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    QTest::keySequence(&grid, QKeySequence(keys));

    QCOMPARE(source->currentIndex(), row);
    QVERIFY(grid.model()->rowCount() < 500);
    QCOMPARE(grid.model()->data(grid.currentIndex().siblingAtColumn(0)).toString(), QString("M%1").arg(row + 1));
    QVERIFY(grid.viewport()->rect().contains(grid.visualRect(grid.currentIndex())));
}

void BoundControlsTest::scrollingToTheEndShowsTheLastRowsWithoutMoving()
{
    m_database->insertNumbered("MSF", "M", 500);
    auto source = openSource("MSF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());

    const QModelIndex bottom = grid.model()->index(grid.model()->rowCount() - 1, 0);
    QCOMPARE(grid.model()->data(bottom).toString(), QString("M500"));
    QVERIFY(grid.viewport()->rect().contains(grid.visualRect(bottom)));
    QCOMPARE(source->currentIndex(), 0);
    QVERIFY(selectedRows(grid).isEmpty());
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(bottom).center());
    QCOMPARE(source->currentIndex(), 499);
}

void BoundControlsTest::gridAndSourceFollowEachOther_data()
{
    QTest::addColumn<QString>("move");
    QTest::addColumn<int>("sourceRow"); // -1: after the last row
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("moves");
    QTest::newRow("grid row chosen through the selection") << "selection" << 2 << QList<int>{2} << 1;
    QTest::newRow("grid row clicked") << "click" << 2 << QList<int>{2} << 1;
    QTest::newRow("source to its last row") << "last" << 2 << QList<int>{2} << 1;
    QTest::newRow("source finds a row") << "find" << 1 << QList<int>{1} << 1;
    QTest::newRow("source past its last row") << "past the end" << -1 << QList<int>{} << 2;
}

void BoundControlsTest::gridAndSourceFollowEachOther()
{
    QFETCH(QString, move);
    QFETCH(int, sourceRow);
    QFETCH(QList<int>, selected);
    QFETCH(int, moves);
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    grid.resize(600, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(selectedRows(grid), QList<int>{0});
    QSignalSpy repositioned(source.get(), &RecordSource::repositioned);

    const QModelIndex cell = grid.model()->index(2, 1);
    if (move == "selection")
        grid.selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else if (move == "click")
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
    else if (move == "find")
        QVERIFY(source->findFirst("[companyname] = 'beta co'"));
    else
        QVERIFY(source->moveLast() && (move == "last" || source->moveNext()));

    QCOMPARE(source->hasCurrentRow(), sourceRow >= 0);
    if (sourceRow >= 0) {
        QCOMPARE(source->currentIndex(), sourceRow);
        QCOMPARE(source->value("customerno").toString(), QString("C%1").arg(sourceRow + 1));
        QCOMPARE(grid.currentIndex().row(), sourceRow);
    } else {
        QVERIFY(!grid.currentIndex().isValid());
    }
    QCOMPARE(selectedRows(grid), selected);
    QCOMPARE(repositioned.count(), moves);
}

void BoundControlsTest::cellEditInAnotherRowMovesThereFirst()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    BoundLineEdit company(*source, source->columnIndex("companyname"));
    QAbstractItemModel &model = *grid.model();
    QTest::keyClicks(&company, "First ");

    QVERIFY(model.setData(model.index(2, 1), "Omega Co"));
    QCOMPARE(source->currentIndex(), 2);
    QCOMPARE(source->value("companyname").toString(), QString("Omega Co"));
    QCOMPARE(company.text(), QString("Omega Co"));
    QCOMPARE(selectedRows(grid), QList<int>{2});
    QCOMPARE(model.data(model.index(2, 1)).toString(), QString("Omega Co"));
    QCOMPARE(m_database->value("SELECT companyname FROM CF WHERE customerno = 'C3'").toString(), QString("Gamma Co"));

    QVERIFY(source->writePendingEdits());
    const QVector<QVariantList> names = m_database->rows("SELECT companyname FROM CF ORDER BY " + m_database->rowIdentity());
    QCOMPARE(names, (QVector<QVariantList>{{"First Alpha Co"}, {"Beta Co"}, {"Omega Co"}}));
}

void BoundControlsTest::refusedGridMoveIsReportedAndTheGridStays_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("row chosen") << "chosen";
    QTest::newRow("row clicked") << "clicked";
    QTest::newRow("cell edited") << "edited";
}

void BoundControlsTest::refusedGridMoveIsReportedAndTheGridStays()
{
    QFETCH(QString, how);
    m_database->insertNumbered("MSF", "M", 3);
    auto source = openSource("MSF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QVERIFY(source->setValue("inventory", "abc"));
    m_dialogs.pressOk();

    const QModelIndex cell = grid.model()->index(2, 1);
    if (how == "edited")
        QVERIFY(!grid.model()->setData(cell, "Bolt"));
    else if (how == "clicked")
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
    else
        grid.selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    QCOMPARE(m_dialogs.takeCalls(), QVector<DialogCall>{DialogCall::told(kRefusedStock)});
    QCOMPARE(source->currentIndex(), 0);
    QCOMPARE(source->value("inventory").toString(), QString("abc"));
    QTRY_COMPARE(selectedRows(grid), QList<int>{0});
    QCOMPARE(grid.currentIndex().row(), 0);
    QCOMPARE(grid.model()->data(cell).toString(), QString());
}

void BoundControlsTest::rowsAddedAndDeletedThroughTheSourceShowInTheGrid()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    const QAbstractItemModel &model = *grid.model();
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    QVERIFY(source->addNew());
    QCOMPARE(model.rowCount(), 3);
    QVERIFY(source->setValue("customerno", "C4"));
    QVERIFY(source->update());
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(firstColumn(model), (QStringList{"C1", "C2", "C3", "C4"}));
    QCOMPARE(selectedRows(grid), QList<int>{3});

    QVERIFY(source->moveTo(1));
    QVERIFY(source->deleteCurrent());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(firstColumn(model), (QStringList{"C1", "C3", "C4"}));
    QCOMPARE(m_database->rows("SELECT customerno FROM CF ORDER BY " + m_database->rowIdentity()),
             (QVector<QVariantList>{{"C1"}, {"C3"}, {"C4"}}));
    QCOMPARE(source->currentIndex(), -1);
    QVERIFY(selectedRows(grid).isEmpty());
}

void BoundControlsTest::gridDuringAddNewLeavesThePendingRowAlone()
{
    insertCustomers();
    auto source = openSource("CF");
    QVERIFY(source);
    RecordGrid grid(*source, true, m_dialogs);
    QAbstractItemModel &model = *grid.model();
    QVERIFY(source->addNew());
    QVERIFY(selectedRows(grid).isEmpty());
    QVERIFY(source->setValue("customerno", "C9"));

    QVERIFY(model.setData(model.index(0, 1), "Alpha Holdings"));
    QVERIFY(!source->isAddingNew());
    QCOMPARE(source->currentIndex(), 0);
    QCOMPARE(selectedRows(grid), QList<int>{0});
    QVERIFY(source->writePendingEdits());
    QCOMPARE(m_database->rows("SELECT customerno, coalesce(companyname, '-') FROM CF ORDER BY " + m_database->rowIdentity()),
             (QVector<QVariantList>{{"C1", "Alpha Holdings"}, {"C2", "Beta Co"}, {"C3", "Gamma Co"}, {"C9", "-"}}));
}

QTEST_MAIN(BoundControlsTest)
#include "tst_boundcontrols.moc"
