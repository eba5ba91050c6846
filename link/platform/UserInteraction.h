#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Message-box styles and answers, numbered as the system's message boxes number them,
// so a handler states its box exactly ("Yes and No, question icon, No the default").
namespace Msg {
enum Style : int {
    OKOnly = 0,
    OKCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    DefaultButton1 = 0,
    DefaultButton2 = 256,
    DefaultButton3 = 512,
};
enum Answer : int { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The buttons of a style, in the order they appear.
QList<Answer> buttonsOf(int style);
// The answer of the default button of a style.
Answer defaultAnswerOf(int style);
} // namespace Msg

// What a common open or save dialog is asked with. The filter is written as
// "Description|pattern|Description|pattern" (patterns separated by ";").
struct FileDialogRequest
{
    enum Flags : int {
        FileMustExist = 4096,     // open: the file must exist
        SaveOverwriteCheck = 0x8006, // save: ask before overwriting, no read-only files
    };
    QString title;
    QString filter;
    int filterIndex = 1;
    QString defaultExt;
    QString fileName;
    QString initialDir;
    int flags = 0;
};

// Message boxes, the common file dialogs, the input box and the hourglass pointer.
class UserInteraction
{
public:
    virtual ~UserInteraction() = default;
    // An empty title shows the application's title. Returns the button pressed.
    virtual Msg::Answer MsgBox(const QString &prompt, int style = Msg::OKOnly, const QString &title = {}) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> ShowOpen(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> ShowSave(const FileDialogRequest &request) = 0;
    // The text entered; the empty text when cancelled.
    virtual QString InputBox(const QString &prompt, const QString &title = {}, const QString &defaultText = {}) = 0;
    // Shows or removes the hourglass pointer (nesting is counted).
    virtual void setHourglass(bool on) = 0;
};

// Shows the hourglass for the life of the object.
class Hourglass
{
public:
    explicit Hourglass(UserInteraction &ui) : m_ui(ui) { m_ui.setHourglass(true); }
    ~Hourglass() { m_ui.setHourglass(false); }
    Hourglass(const Hourglass &) = delete;
    Hourglass &operator=(const Hourglass &) = delete;

private:
    UserInteraction &m_ui;
};
