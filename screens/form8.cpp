#include "screens/form8.h"

#include "commands/editcommands.h"
#include "screens/declare.h"

using namespace declare;

ScreenDeclaration form8Declaration()
{
    // Fields in two columns of rows, the picture at the upper right, and
    // under them the move keys and the function keys side by side.
    constexpr int rowTwips = 480;
    const auto left = [](int row) { return Twips{1560, 240 + row * rowTwips, 1500, 264}; };
    const auto middle = [](int row, int rows = 1) {
        return Twips{4920, 240 + row * rowTwips, 1600, 264 + (rows - 1) * rowTwips};
    };
    const auto inFrame = [](int place) { return Twips{240 + place * 1200, 300, 1080, 492}; };
    const auto move = [](MoveCommand::Move to) { return std::make_shared<MoveCommand>(to); };

    ScreenDeclaration screen;
    screen.name = QStringLiteral("Form8");
    screen.caption = QStringLiteral("Employee's basic Data");
    screen.clientWidth = 11040;
    screen.clientHeight = 4800;
    screen.sources = {{"Data1", "EMPLOYEE"}};
    screen.fields = {
        text("Text1", "Label1", "Employee No.", "empno", left(0), 1),
        text("Text2", "Label2", "Employee name", "empname", left(1), 2),
        text("Text3", "Label3", "Id Card No.", "socialid", left(2), 3),
        text("Text4", "Label4", "Data of birth", "birthday", left(3), 4),
        text("Text5", "Label5", "Title", "title", left(4), 5),
        text("Text6", "Label6", "Team", "department", left(5), 6),
        text("Text7", "Label7", "E-mail", "email", left(6), 7),
        text("Text8", "Label8", "Liaison Telephone No.", "callpager", middle(0), 8),
        multiLine("Text9", "Label9", "Address", "address", middle(1, 2), 9, ScrollBars::Vertical),
        text("Text10", "Label10", "Home Telephone No.", "phoneno", middle(3), 10),
        text("Text11", "Label11", "Data of toking office", "postingdate", middle(4), 11),
        text("Text12", "Label12", "Emergency Telephone No.", "emergencyphone", middle(5), 12),
        text("Text13", "Label13", "Person to emergecy contact", "emergencyperson", middle(6), 13),
        document("OLE1", "Label14", "Employee's", "picture", {7800, 240, 3000, 3144}, 14),
    };
    screen.fields.last().labelGeometry = Twips{6600, 240, 1140, 300};
    screen.frames = {
        {"Frame1", "To move key", {240, 3600, 5040, 960}, 15,
         {
             // "formal" moves forward and "Next" moves back, as the office has always used them.
             button("Command1", "The first ", inFrame(0), 16, move(MoveCommand::Move::First)),
             button("Command2", "formal", inFrame(1), 17, move(MoveCommand::Move::Next)),
             button("Command3", "Next", inFrame(2), 18, move(MoveCommand::Move::Previous)),
             button("Command4", "The last", inFrame(3), 19, move(MoveCommand::Move::Last)),
         }},
        {"Frame2", kFunctionKeyCaption, {5760, 3600, 5040, 960}, 20,
         {
             button("Command5", "Increase", inFrame(0), 21,
                    std::make_shared<IncreaseCommand>("Text1", QStringList{"Command7", "Command8"})),
             button("Command8", "Connect", inFrame(1), 22, std::make_shared<ConnectCommand>("OLE1", "Command8"), false),
             button("Command6", "Delete", inFrame(2), 23, std::make_shared<DeleteCommand>()),
             button("Command7", "Save", inFrame(3), 24, std::make_shared<SaveCommand>("Command7"), false),
         }},
    };
    screen.boundaryCheck = true;
    return screen;
}
