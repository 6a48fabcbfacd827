#pragma once

#include "commands/command.h"

#include <QString>

class RecordSource;

/// The criterion of a search: prefix + the text without trailing spaces, its
/// quotes doubled so that no text can change what the criterion means, + "'".
QString searchCriterion(const QString &prefix, const QString &text);

/// The text without its trailing spaces; leading ones stay.
QString withoutTrailingSpaces(const QString &text);

/// A search must be able to go back: with rows but none current (the place of
/// a deleted row) the user is told so, and true is returned.
bool toldNoRowToRemember(ScreenContext &screen, const RecordSource &source);

/// Finds the first match in the source, and on a miss with a
/// non-empty text says "找不到" and goes back to the row current before.
/// Returns whether a row was found; a failure of the source comes back as it is.
Result findOrReturn(ScreenContext &screen, RecordSource &source, const QString &prefix, const QString &text,
                    bool &found);

/// The plain and the switching search. The switching one also keeps the text
/// as the screen's last search text and switches the Search/Research pair.
class SearchCommand : public Command
{
public:
    enum class Variant { Plain, Switching };

    SearchCommand(Variant variant, QString prompt, QString title, QString prefix, QString searchButton = QString(),
                  QString researchButton = QString())
        : variant(variant), prompt(std::move(prompt)), title(std::move(title)), prefix(std::move(prefix)),
          searchButton(std::move(searchButton)), researchButton(std::move(researchButton))
    {
    }
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    const Variant variant;
    const QString prompt;
    const QString title;
    const QString prefix;
    const QString searchButton;
    const QString researchButton;
};

/// The repeat search: the next match of the last search text, switching the
/// Search/Research pair; when none is left it says so under its title.
class RepeatSearchCommand : public Command
{
public:
    RepeatSearchCommand(QString title, QString prefix, QString searchButton, QString researchButton)
        : title(std::move(title)), prefix(std::move(prefix)), searchButton(std::move(searchButton)),
          researchButton(std::move(researchButton))
    {
    }
    Result run(ScreenContext &screen) const override;
    CommandTargets targets() const override;

    /// "已經沒有'" + the text as typed + "'使用者的資料!"
    static QString exhaustedMessage(const QString &lastSearchText);

    const QString title;
    const QString prefix;
    const QString searchButton;
    const QString researchButton;
};

inline const QString kNotFound = QStringLiteral("找不到");
