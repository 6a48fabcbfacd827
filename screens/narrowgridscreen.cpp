#include "screens/narrowgridscreen.h"

#include "commands/editcommands.h"
#include "commands/screencontext.h"
#include "commands/searchcommands.h"
#include "screens/declare.h"

namespace {

constexpr double kConnectPointSize = 7.5;

ButtonDeclaration key(const FunctionKey &key, std::shared_ptr<const Command> command, bool enabledAtStart = true)
{
    return declare::button(key.name, key.caption, key.geometry, declare::kInFocusOrder, std::move(command),
                           enabledAtStart);
}

QVector<ButtonDeclaration> searchKeys(const NarrowGridScreen &screen)
{
    const KeySearch &searching = screen.searching;
    if (!searching.research)
        return {key(screen.search, std::make_shared<SearchCommand>(SearchCommand::Variant::Plain, searching.prompt,
                                                                   searching.title, searching.prefix))};
    const QString research = searching.research->name;
    return {key(screen.search,
                std::make_shared<SearchCommand>(SearchCommand::Variant::Switching, searching.prompt, searching.title,
                                                searching.prefix, screen.search.name, research)),
            key(*searching.research, std::make_shared<RepeatSearchCommand>(searching.title, searching.researchPrefix,
                                                                           screen.search.name, research))};
}

} // namespace

ScreenDeclaration narrowGridScreen(const NarrowGridScreen &screen)
{
    ScreenDeclaration declaration;
    declaration.name = screen.name;
    declaration.caption = screen.caption;
    declaration.clientWidth = screen.clientWidth;
    declaration.clientHeight = screen.clientHeight;
    declaration.sources = screen.sources;
    declaration.fields = screen.fields;
    declaration.grid = GridDeclaration{kMainSource, screen.grid, false, declare::kInFocusOrder};
    declaration.boundaryCheck = true;

    ButtonDeclaration connect =
        key(screen.connect, std::make_shared<ConnectCommand>(screen.documentField, screen.connect.name), false);
    connect.pointSize = kConnectPointSize;
    QVector<ButtonDeclaration> buttons{
        key(screen.increase, std::make_shared<IncreaseCommand>(QStringLiteral("Text1"),
                                                               QStringList{screen.save.name, screen.connect.name})),
        connect,
        key(screen.save, std::make_shared<SaveCommand>(screen.save.name), false),
        key(screen.remove, std::make_shared<DeleteCommand>()),
    };
    buttons += searchKeys(screen);
    declaration.frames = {{QStringLiteral("Frame1"), kFunctionKeyCaption, screen.frame, declare::kInFocusOrder, buttons}};
    declare::focusOrder(declaration, screen.focusOrder);
    return declaration;
}

KeySearch userSearch(const QString &prefix, FunctionKey research)
{
    return {QStringLiteral("請輸入想要尋找的使用者"), QStringLiteral("搜尋客戶資料"), prefix, std::move(research),
            QStringLiteral("[users] ='")};
}
