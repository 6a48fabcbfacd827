#pragma once

#include "data/result.h"

#include <QString>
#include <QVector>

struct EditConflict;

inline const QString kApplicationTitle = QStringLiteral("vemo");

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Question };
enum class MessageAnswer { Ok, Yes, No };

struct Message
{
    QString text;
    QString title = kApplicationTitle;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    MessageAnswer defaultButton = MessageAnswer::Ok;
};

/// What the user chose in the insert-object dialog.
struct InsertObjectChoice
{
    enum class Action { Cancel, FromFile, New };
    Action action = Action::Cancel;
    QString path;      // FromFile: the file chosen
    bool link = false; // FromFile: link the file instead of embedding a copy
};

inline const QString kInsertObjectTitle = QStringLiteral("插入物件");

/// Asked after the fields that changed meanwhile are named.
inline const QString kOverwriteQuestion = QStringLiteral("要用您輸入的內容覆蓋嗎?");
/// Asked when a closing window's edits cannot be written.
inline const QString kGiveUpQuestion = QStringLiteral("修改無法儲存。要放棄這些修改並關閉畫面嗎?");

/// Everything the program says to the user, and everything it asks, goes
/// through this one interface, so tests can script the answers.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    /// A modal input box with a prompt, a title, an empty text, OK and
    /// Cancel. Returns the text as typed, or an empty text on Cancel.
    virtual QString ask(const QString &prompt, const QString &title) = 0;
    /// A modal message box; returns the button the user chose.
    virtual MessageAnswer show(const Message &message) = 0;
    /// The insert-object dialog: "由檔案建立" (a file, embedded or linked)
    /// and, when documentClass is not empty, "新建" of that class.
    virtual InsertObjectChoice insertObject(const QString &documentClass) = 0;
    /// A save-file dialog starting at suggestedName; empty on Cancel.
    virtual QString saveFileName(const QString &suggestedName) = 0;
    /// Opens a file in the desktop's application for its type; false when
    /// the desktop has none.
    virtual bool openWithDesktop(const QString &path) = 0;

    /// OK only, no icon.
    void tell(const QString &text, const QString &title = kApplicationTitle);
    /// Yes and No, Yes the default, no icon; true for Yes.
    bool confirm(const QString &text, const QString &title);
    /// Yes and No, No the default, no icon, under the application's title;
    /// true for Yes. For questions whose Yes gives something up.
    bool confirmNoDefault(const QString &text);
    /// The engine's own text of a failure, under the application's title.
    void reportFailure(const Result &failure);
    /// Names the fields another user changed meanwhile and asks whether the
    /// typed values go over them; No is the default.
    bool askOverwrite(const QVector<EditConflict> &conflicts);
};
