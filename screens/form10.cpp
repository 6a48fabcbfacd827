#include "screens/form10.h"

#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form10Declaration()
{
    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form10");
    screen.caption = QStringLiteral("Data of suppliers ");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "SUPPLIER"}};
    screen.fields = {
        text("Text1", "Label1", "Factory No.", "supplierno", {2880, 480, 1332, 264}, 9),
        text("Text2", "Label2", "Factory name", "supplier", {2880, 960, 2172, 264}, 10),
        text("Text3", "Label3", "Person to contact", "contactman", {2880, 1440, 1332, 264}, 11),
        text("Text4", "Label4", "Address", "address", {2880, 1920, 2172, 264}, 12),
        text("Text5", "Label5", "Liaison Telephone No.", "phoneno", {2880, 2400, 1332, 264}, 13),
        text("Text6", "Label6", "Fax NO.", "faxno", {7080, 480, 1332, 264}, 14),
        text("Text7", "Label7", "Payment", "payment", {7080, 960, 1332, 264}, 15),
        text("Text8", "Label8", "E-mail", "email", {7080, 1440, 2052, 264}, 16),
    };
    screen.grid = GridDeclaration{"Data1", {0, 0, 1572, 5892}, true, 8};
    screen.frames = {{"Frame1", kFunctionKeyCaption, {6240, 3360, 2292, 1692}, 17,
                      {
                          button("Command1", "Increase", {360, 360, 732, 492}, 18,
                                 std::make_shared<IncreaseCommand>("Text1", QStringList{"Command3"})),
                          button("Command2", "Delete", {1200, 360, 732, 492}, 19, std::make_shared<DeleteCommand>()),
                          button("Command3", "Save", {360, 960, 732, 492}, 20,
                                 std::make_shared<SaveCommand>("Command3"), false),
                          button("Command4", "Search", {1200, 960, 732, 492}, 21,
                                 std::make_shared<SearchCommand>(SearchCommand::Variant::Plain,
                                                                 "請輸入想要尋找的供應商名稱", "搜尋供應商資料",
                                                                 "[supplier] = '")),
                      }}};
    return screen;
}
