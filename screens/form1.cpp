#include "screens/form1.h"

#include "screens/declare.h"
#include "screens/narrowgridscreen.h"

using namespace declare;

ScreenDeclaration form1Declaration()
{
    constexpr int order = kInFocusOrder;
    NarrowGridScreen screen;
    screen.name = QStringLiteral("Form1");
    screen.caption = QStringLiteral("Customer");
    screen.clientWidth = 9510;
    screen.clientHeight = 5880;
    screen.sources = {{"Data1", "CSF"}, {"Data2", "CF"}, {"Data3", "EMPLOYEE"}, {"Data4", "INDUSTRY"}};
    screen.fields = {
        text("Text1", "Label1", "Mend No.", "serviceno", {3120, 240, 1815, 264}, order),
        text("Text2", "Label2", "User", "users", {3120, 720, 1812, 264}, order),
        text("Text3", "Label3", "Liaison Tel.", "userphone", {3120, 1200, 1812, 264}, order),
        multiLine("Text4", "Label4", "Problem description", "description", {2880, 1680, 2052, 1212}, order,
                  ScrollBars::Both),
        lookup("DBCombo1", "Label5", "Name of customer", "customerno", {6960, 240, 1812, 312}, order,
               {"Data2", "companyname", "customerno"}),
        lookup("DBCombo3", "Label6", "Name of trade", "industryno", {6960, 720, 1812, 312}, order,
               {"Data4", "industryname", "industryno"}),
        lookup("DBCombo2", "Label7", "Responsible engineer", "empno", {6960, 1200, 1692, 312}, order,
               {"Data3", "empname", "empno"}),
        text("Text6", "Label8", "Material No.", "materielno", {6960, 1680, 1692, 264}, order),
        text("Text7", "Label9", "Date of mend", "startdate", {6960, 2160, 1692, 264}, order),
        text("Text8", "Label10", "Complete data", "finishdate", {6960, 2640, 1692, 264}, order),
        document("OLE1", "Label11", "Dispose sistuation", "process", {6960, 3120, 1692, 252}, order),
        multiLine("Text5", "Label12", "Solution", "solution", {6960, 3600, 2292, 1332}, order, ScrollBars::Both),
        text("Text9", "Label13", "Done(yes/no)", "close", {6960, 5040, 732, 264}, order),
    };
    screen.documentField = QStringLiteral("OLE1");
    screen.grid = {0, 0, 1692, 5892};
    screen.frame = {2280, 3840, 3252, 1692};
    screen.increase = {"Command5", "Increase", {240, 360, 852, 492}};
    screen.connect = {"Command6", "Connect", {1200, 360, 975, 492}};
    screen.save = {"Command7", "Save", {240, 960, 852, 492}};
    screen.remove = {"Command8", "Delete", {2280, 360, 855, 492}};
    screen.search = {"Command9", "Search", {1200, 960, 852, 492}};
    screen.searching = userSearch(QStringLiteral("[users]= '"), {"Command10", "Research", {2160, 960, 975, 492}});
    screen.focusOrder = {"DBCombo1", "DBCombo2", "DBCombo3", "Text2",   "Text3",    "Text4",    "Text5",
                         "Text6",    "OLE1",     "Text7",    "Text8",   "Text9",    "Text1",    "DBGrid1",
                         "Command10", "Command7", "Command6", "Command5", "Command8", "Command9"};
    return narrowGridScreen(screen);
}
