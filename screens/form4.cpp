#include "screens/form4.h"

#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form4Declaration()
{
    const QString prompt = QStringLiteral("請輸入想要尋找的客戶連絡人");
    const QString title = QStringLiteral("搜尋客戶資料");
    const auto search = [&](const QString &prefix) {
        return std::make_shared<SearchCommand>(SearchCommand::Variant::Plain, prompt, title, prefix);
    };
    const auto inFrame = [](int left, int width) { return Twips{left, 240, width, 492}; };

    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form4");
    screen.caption = QStringLiteral("Customer basic data");
    screen.clientWidth = 9510;
    screen.clientHeight = 5880;
    screen.sources = {{"Data1", "CF"}, {"Data2", "INDUSTRY"}};
    screen.fields = {
        text("Text1", "Label1", "Customer No.", "customerno", {1200, 228, 1932, 264}, 9),
        multiLine("Text3", "Label3", "Name of  company", "companyname", {4920, 360, 1455, 504}, 10),
        multiLine("Text4", "Label4", "Customer Address", "address", {1200, 720, 2532, 492}, 11),
        text("Text5", "Label5", "City", "city", {1200, 1440, 1212, 264}, 12),
        text("Text6", "Label6", "Person to contact", "users", {7800, 120, 1452, 390}, 13),
        text("Text7", "Label7", "Telephone No.", "telphoneno", {7800, 600, 1452, 264}, 14),
        text("Text8", "Label8", "Fax No.", "faxno", {7800, 960, 1452, 264}, 15),
        text("Text9", "Label9", "E-mail", "emails", {7800, 1320, 1452, 264}, 16),
        lookup("DBCombo1", "Label2", "Trade code", "industryno", {4920, 1200, 1692, 312}, 18,
               {"Data2", "industryname", "industryno"}),
    };
    screen.grid = GridDeclaration{"Data1", {240, 2160, 9012, 2292}, true, 17};
    screen.lines = {{{0, 1924, 9510, 0}, QColor(255, 255, 128), 3}};
    screen.frames = {{"Frame1", kFunctionKeyCaption, {240, 4800, 5412, 852}, 19,
                      {
                          button("Command2", "Increase", inFrame(360, 852), 20,
                                 std::make_shared<IncreaseCommand>("Text1", QStringList{"Command4"})),
                          button("Command3", "Delete", inFrame(1320, 852), 21, std::make_shared<DeleteCommand>()),
                          button("Command1", "Search", inFrame(2280, 852), 23, search("users = '")),
                          button("Command5", "Research", inFrame(3240, 975), 24, search("companyname = '")),
                          button("Command4", "Save", inFrame(4440, 855), 22,
                                 std::make_shared<SaveCommand>("Command4"), false),
                      }}};
    return screen;
}
