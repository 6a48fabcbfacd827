#include "lending/form7.h"

#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "lending/stockcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form7Declaration()
{
    // Grid at the left edge, fields in the middle, the buttons in one column
    // at the right.
    const auto row = [](int index, int width = 2200, int height = 264) {
        return Twips{3480, 240 + index * 480, width, height};
    };
    const auto inFrame = [](int index) { return Twips{240, 360 + index * 612, 1572, 492}; };
    const StockUpdateCommand::Field stock{"Text7", "Stoct capacity"};

    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form7");
    screen.caption = QStringLiteral(" material to borrow a place");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "MBBR"}, {"Data3", "CF"}, {"Data4", "EMPLOYEE"}, {"Data5", "MSF"}};
    screen.fields = {
        text("Text1", "Label1", "Serial No.", "mbrrno", row(0), 1),
        lookup("DBCombo4", "Label2", "Employee name", "empno", row(1, 2200, 312), 2, {"Data4", "empname", "empno"}),
        lookup("DBCombo1", "Label3", "Material No.", "materielno", row(2, 2200, 312), 3,
               {"Data5", "materielno", "materielno"}),
        lookup("DBCombo3", "Label4", "Customer No.", "customerno", row(3, 2200, 312), 4,
               {"Data3", "companyname", "customerno"}),
        text("Text2", "Label5", "Person to contact", "users", row(4), 5),
        text("Text7", "Label6", "Stoct capacity", "inventory", row(5, 900), 6, "Data5"),
        text("Text3", "Label7", "Lending amount", "borrowqty", row(6, 900), 7),
        text("Text4", "Label8", "Returing amount", "returnqty", row(7, 900), 8),
        text("Text5", "Label9", "Data of lending", "borrowdate", row(8), 9),
        text("Text6", "Label10", "Data of returing", "returndate", row(9), 10),
    };
    screen.grid = GridDeclaration{"Data1", {0, 0, 1572, 5892}, false, 11};
    screen.frames = {
        {"Frame1", kFunctionKeyCaption, {6240, 240, 2052, 4800}, 12,
         {
             button("Command1", "Imcrease", inFrame(0), 13,
                    std::make_shared<IncreaseCommand>("Text1", QStringList{"Command3", "Command5", "Command6"})),
             button("Command7", "Stock capacity", inFrame(1), 14,
                    std::make_shared<StockCheckCommand>("請輸入想要尋找的材料編號", "搜尋材料庫存資料",
                                                        "[materielno] = '", "Data5", "Command6")),
             button("Command5", "Lending", inFrame(2), 15,
                    std::make_shared<StockUpdateCommand>(StockMovement::Lending,
                                                         StockUpdateCommand::Field{"Text3", "Lending amount"}, stock,
                                                         "DBCombo1", "Command5"),
                    false),
             button("Command6", "Returing", inFrame(3), 16,
                    std::make_shared<StockUpdateCommand>(StockMovement::Returning,
                                                         StockUpdateCommand::Field{"Text4", "Returing amount"}, stock,
                                                         "DBCombo1", "Command6"),
                    false),
             button("Command3", "Save", inFrame(4), 17, std::make_shared<SaveCommand>("Command3"), false),
             button("Command4", "Search", inFrame(5), 18,
                    std::make_shared<SearchCommand>(SearchCommand::Variant::Plain, "請輸入想要尋找的材料借還記錄編號",
                                                    "搜尋材料借還記錄資料", "mbrrno = '")),
             button("Command2", "Delete", inFrame(6), 19, std::make_shared<DeleteCommand>()),
         }}};
    return screen;
}
