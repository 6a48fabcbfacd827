#include "screens/form2.h"

#include "screens/declare.h"
#include "screens/narrowgridscreen.h"

using namespace declare;

ScreenDeclaration form2Declaration()
{
    constexpr int order = kInFocusOrder;
    NarrowGridScreen screen;
    screen.name = QStringLiteral("Form2");
    screen.caption = QStringLiteral("Mend maintenance record");
    screen.clientWidth = 9540;
    screen.clientHeight = 5895;
    screen.sources = {{"Data1", "MTR"}, {"Data2", "CC"}, {"Data3", "INDUSTRY"}, {"Data4", "EMPLOYEE"}};
    screen.fields = {
        text("Text1", "Label1", "Maintenance  list No.", "maintainno", {3000, 240, 1812, 264}, order),
        lookup("DBCombo1", "Label2", "Contract Name", "contractno", {3000, 720, 1812, 312}, order,
               {"Data2", "contractname", "contractno"}),
        lookup("DBCombo2", "Label3", "Trade code", "industryno", {3000, 1200, 1812, 312}, order,
               {"Data3", "industryname", "industryno"}),
        text("Text6", "Label4", "User", "users", {3000, 1800, 1812, 264}, order),
        lookup("DBCombo3", "Label5", "Responsible engineer ", "empno", {3000, 2280, 1812, 312}, order,
               {"Data4", "empname", "empno"}),
        multiLine("Text2", "Label6", "Location", "site", {3000, 2760, 1812, 495}, order, ScrollBars::Horizontal),
        // Drawn two lines high, yet a single line.
        text("Text4", "Label7", "Data of starting", "startdate", {3000, 3360, 1812, 495}, order),
        text("Text5", "Label8", "完成日期:", "finishdate", {3000, 4320, 1812, 264}, order),
        document("OLE1", "Label9", "Equipment list", "equipment", {6600, 120, 2655, 1575}, order),
        multiLine("Text3", "Label10", "Maintenance condition", "process", {6600, 1920, 2655, 852}, order,
                  ScrollBars::Horizontal),
    };
    screen.documentField = QStringLiteral("OLE1");
    screen.grid = {0, 0, 1692, 5892};
    screen.frame = {5280, 3960, 3252, 1692};
    screen.increase = {"Command1", "Increase", {240, 360, 852, 492}};
    screen.connect = {"Command8", "connect", {1200, 360, 852, 492}};
    screen.save = {"Command2", "Save", {240, 960, 852, 492}};
    screen.remove = {"Command3", "Delete", {2160, 360, 852, 492}};
    screen.search = {"Command9", "search", {1200, 960, 852, 492}};
    screen.searching = userSearch(QStringLiteral("[users] = '"), {"Command10", "Research", {2160, 960, 975, 492}});
    screen.focusOrder = {"Text1",    "OLE1",     "Text2",    "Text3",    "Text4",    "Text5",
                         "Text6",    "DBCombo1", "DBCombo2", "DBGrid1",  "Command1", "Command2",
                         "Command8", "Command3", "Command9", "Command10", "DBCombo3"};
    return narrowGridScreen(screen);
}
