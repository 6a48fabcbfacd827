#include "screens/form5.h"

#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form5Declaration()
{
    const auto inFrame = [](int left, int top) { return Twips{left, top, 852, 492}; };

    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form5");
    screen.caption = QStringLiteral("Dada of customer contace");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "CC"}};
    screen.fields = {
        text("Text1", "Label1", "Contract serial No.", "contractno", {1320, 240, 1572, 264}, 5),
        multiLine("Text2", "Label2", "Contract Name", "contractname", {1320, 720, 1572, 492}, 6),
        text("Text3", "Label4", "Data of starting", "startdate", {4320, 240, 1332, 264}, 7),
        text("Text4", "Label5", "Date of ending", "enddate", {4320, 720, 1332, 264}, 8),
        document("OLE1", "Label3", "Contract content", "context", {1320, 1440, 4332, 1332}, 9),
    };
    screen.lines = {{{0, 3002, 9540, 0}, QColor(255, 255, 0), 3}};
    screen.grid = GridDeclaration{"Data1", {720, 3240, 7332, 2412}, true, 10};
    ButtonDeclaration connect = button("Command5", "Connect", inFrame(1320, 360), 13,
                                       std::make_shared<ConnectCommand>("OLE1", "Command5"), false);
    connect.pointSize = 7.5;
    screen.frames = {{"Frame1", kFunctionKeyCaption, {6600, 240, 2412, 2292}, 11,
                      {
                          button("Command1", "Increase", inFrame(360, 360), 12,
                                 std::make_shared<IncreaseCommand>("Text1", QStringList{"Command3", "Command5"})),
                          connect,
                          button("Command3", "Save", inFrame(360, 960), 14,
                                 std::make_shared<SaveCommand>("Command3"), false),
                          button("Command2", "Delete", inFrame(1320, 960), 15, std::make_shared<DeleteCommand>()),
                          button("Command4", "Search", inFrame(360, 1560), 16,
                                 std::make_shared<SearchCommand>(SearchCommand::Variant::Plain,
                                                                 "請輸入想要尋找的合約編號", "搜尋客戶合約資料",
                                                                 "contractno = '")),
                      }}};
    return screen;
}
