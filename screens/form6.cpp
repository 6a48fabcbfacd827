#include "screens/form6.h"

#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form6Declaration()
{
    // Two columns of fields across the top, the buttons two by two at the
    // upper right, a thick rule under them and the grid below.
    const auto left = [](int row) { return Twips{1980, 240 + row * 420, 1400, 264}; };
    const auto right = [](int row, int width = 1300) { return Twips{5520, 240 + row * 420, width, 264}; };

    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form6");
    screen.caption = QStringLiteral("Dada of material stock");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "MSF"}, {"Data2", "SUPPLIER"}};
    screen.fields = {
        text("Text1", "Label1", "Material No.", "materielno", left(0), 1),
        text("Text2", "Label2", "Name of material", "materiel", left(1), 2),
        text("Text3", "Label3", "Location of material", "location", left(2), 3),
        text("Text4", "Label4", "Stock capacity", "inventory", left(3), 4),
        lookup("DBCombo1", "Label8", "Suppluer", "supplierno", {5520, 216, 1300, 312}, 5,
               {"Data2", "supplier", "supplierno"}),
        text("Text5", "Label5", "Amount of safe stock", "safestock", right(1), 6),
        text("Text6", "Label6", "Unit price", "price", right(2), 7),
        text("Text7", "Label7", "Idle", "retire", right(3, 700), 8),
    };
    screen.lines = {{{0, 2000, 9540, 0}, QColor(255, 255, 128), 5}};
    screen.grid = GridDeclaration{"Data1", {120, 2160, 9300, 3615}, true, 9};
    screen.frames = {{"Frame1", kFunctionKeyCaption, {7080, 120, 2292, 1692}, 10,
                      {
                          button("Command1", "Increase", {360, 360, 732, 492}, 11,
                                 std::make_shared<IncreaseCommand>("Text1", QStringList{"Command3"})),
                          button("Command2", "Delete", {1200, 360, 732, 492}, 12, std::make_shared<DeleteCommand>()),
                          button("Command3", "Save", {360, 960, 732, 492}, 13,
                                 std::make_shared<SaveCommand>("Command3"), false),
                          button("Command4", "Search", {1200, 960, 732, 492}, 14,
                                 std::make_shared<SearchCommand>(SearchCommand::Variant::Plain,
                                                                 "請輸入想要尋找的材料編號", "搜尋材料庫存資料",
                                                                 "[materielno] = '")),
                      }}};
    return screen;
}
