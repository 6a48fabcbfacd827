#include "screens/form3.h"

#include "screens/declare.h"
#include "screens/narrowgridscreen.h"

using namespace declare;

ScreenDeclaration form3Declaration()
{
    constexpr int order = kInFocusOrder;
    NarrowGridScreen screen;
    screen.name = QStringLiteral("Form3");
    screen.caption = QStringLiteral("Technique paper No.");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "TP"}, {"Data2", "CF"}, {"Data3", "INDUSTRY"}};
    screen.fields = {
        text("Text1", "Label1", "Paper No.", "techno", {3480, 360, 1692, 264}, order),
        lookup("DBCombo1", "Label2", "Name of Customer ", "customerno", {3480, 876, 1692, 312}, order,
               {"Data2", "companyname", "customerno"}),
        lookup("DBCombo2", "Label3", "Name of Trade", "industryno", {3480, 1380, 1692, 312}, order,
               {"Data3", "industryname", "industryno"}),
        multiLine("Text4", "Label4", "Problem Description", "description", {6600, 240, 2772, 1332}, order,
                  ScrollBars::Both),
        document("OLE1", "Label5", "Solution", "solution", {6600, 2040, 2652, 2172}, order),
    };
    screen.documentField = QStringLiteral("OLE1");
    // Starts just beyond the window's left border.
    screen.grid = {-120, 0, 1812, 5892};
    screen.frame = {2160, 3120, 3252, 1692};
    screen.increase = {"Command1", "increase", {240, 360, 852, 492}};
    screen.connect = {"Command8", "Connect", {1200, 360, 852, 492}};
    screen.save = {"Command2", "Save", {240, 960, 852, 492}};
    screen.remove = {"Command3", "Delete", {2160, 360, 852, 492}};
    screen.search = {"Command9", "Searc", {1200, 960, 852, 492}};
    screen.searching = {QStringLiteral("請輸入想要尋找的技術文件編號"), QStringLiteral("搜尋技術文件資料"),
                        QStringLiteral("[techno] ='"), std::nullopt, QString()};
    screen.focusOrder = {"OLE1",    "Text4",    "DBCombo2", "DBCombo1", "Text1",   "DBGrid1",
                         "Command1", "Command8", "Command3", "Command2", "Command9"};
    return narrowGridScreen(screen);
}
