#include "commands/searchcommands.h"

#include "commands/dialogs.h"
#include "commands/screencontext.h"
#include "data/records/criterion.h"
#include "data/records/recordsource.h"

QString withoutTrailingSpaces(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

QString searchCriterion(const QString &prefix, const QString &text)
{
    return prefix + quotedValueText(withoutTrailingSpaces(text)) + QLatin1Char('\'');
}

bool toldNoRowToRemember(ScreenContext &screen, const RecordSource &source)
{
    if (source.bookmark().isValid() || source.rowCount() == 0)
        return false;
    screen.dialogs().tell(QStringLiteral("目前沒有選定的資料,請先在清單中選一筆資料再搜尋。"));
    return true;
}

Result findOrReturn(ScreenContext &screen, RecordSource &source, const QString &prefix, const QString &text,
                    bool &found)
{
    found = false;
    const QVariant remembered = source.bookmark();
    if (Result searched = source.findFirst(searchCriterion(prefix, text)); !searched)
        return searched;
    found = !source.noMatch();
    if (found || text.isEmpty())
        return Result::success();
    screen.dialogs().tell(kNotFound);
    if (!remembered.isValid())
        return Result::success();
    return source.setBookmark(remembered);
}

Result SearchCommand::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, kMainSource);
    if (toldNoRowToRemember(screen, source))
        return Result::success();
    const QString text = screen.dialogs().ask(prompt, title);
    if (variant == Variant::Switching)
        screen.lastSearchText() = text;
    bool found = false;
    if (Result searched = findOrReturn(screen, source, prefix, text, found); !searched)
        return searched;
    if (variant == Variant::Plain)
        return Result::success();
    if (found) {
        screen.setButtonEnabled(researchButton, true);
        screen.setButtonEnabled(searchButton, false);
    } else if (!text.isEmpty()) {
        screen.setButtonEnabled(researchButton, false);
        screen.setButtonEnabled(searchButton, true);
    }
    return Result::success();
}

CommandTargets SearchCommand::targets() const
{
    QStringList buttons;
    if (variant == Variant::Switching)
        buttons << searchButton << researchButton;
    return {{kMainSource}, {}, buttons, {}};
}

QString RepeatSearchCommand::exhaustedMessage(const QString &lastSearchText)
{
    return QStringLiteral("已經沒有'") + lastSearchText + QStringLiteral("'使用者的資料!");
}

Result RepeatSearchCommand::run(ScreenContext &screen) const
{
    RecordSource &source = requireSource(screen, kMainSource);
    const QString text = screen.lastSearchText();
    if (Result searched = source.findNext(searchCriterion(prefix, text)); !searched)
        return searched;
    const bool found = !source.noMatch();
    if (!found)
        screen.dialogs().tell(exhaustedMessage(text), title);
    screen.setButtonEnabled(searchButton, !found);
    screen.setButtonEnabled(researchButton, found);
    return Result::success();
}

CommandTargets RepeatSearchCommand::targets() const
{
    return {{kMainSource}, {}, {searchButton, researchButton}, {}};
}
