#include "screens/form9.h"

#include "commands/editcommands.h"
#include "commands/searchcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form9Declaration()
{
    // The grid down the left edge; the employee, year and date at the top,
    // the work document filling the middle, the buttons in a column at the right.
    const auto inFrame = [](int row) { return Twips{216, 300 + row * 600, 1008, 492}; };

    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form9");
    screen.caption = QStringLiteral("Record of engineer's works");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "SCHEDULE"}, {"Data2", "EMPLOYEE"}};
    FieldDeclaration work = document("OLE1", "Label4", "Work contenents", "schedule", {3600, 1200, 4200, 4440}, 4,
                                     "Word.Document.8");
    work.labelGeometry = Twips{2520, 1200, 1020, 480};
    screen.fields = {
        lookup("DBCombo1", "Label1", "Employee No.", "empno", {3600, 240, 2000, 312}, 1,
               {"Data2", "empname", "empno"}),
        text("Text2", "Label2", "Year", "year", {3600, 720, 700, 264}, 2),
        text("Text3", "Label3", "Date", "mouthday", {5400, 720, 1200, 264}, 3),
        work,
    };
    screen.grid = GridDeclaration{"Data1", {0, 0, 2400, 5895}, true, 5};
    screen.frames = {{"Frame1", kFunctionKeyCaption, {7980, 240, 1440, 3360}, 6,
                      {
                          button("Command1", "Increase ", inFrame(0), 7,
                                 std::make_shared<IncreaseCommand>("DBCombo1", QStringList{"Command3", "Command5"})),
                          button("Command5", "Connect", inFrame(1), 8,
                                 std::make_shared<ConnectCommand>("OLE1", "Command5"), false),
                          button("Command2", "Delete", inFrame(2), 9, std::make_shared<DeleteCommand>()),
                          button("Command3", "Save", inFrame(3), 10, std::make_shared<SaveCommand>("Command3"), false),
                          button("Command4", "Search", inFrame(4), 11,
                                 std::make_shared<SearchCommand>(SearchCommand::Variant::Plain,
                                                                 "請輸入想要尋找的員工識別碼", "搜尋工程師排程資料",
                                                                 "empno = '")),
                      }}};
    return screen;
}
