#include "tests/support/doubles/ScriptedUserInteraction.h"
#include "link/AppTitle.h"

Msg::Answer ScriptedUserInteraction::MsgBox(const QString &prompt, int style, const QString &title)
{
    boxes.append({prompt, title.isEmpty() ? AppTitle : title, style});
    if (!m_boxAnswers.isEmpty())
        return m_boxAnswers.takeFirst();
    return Msg::defaultAnswerOf(style);
}

std::optional<QString> ScriptedUserInteraction::ShowOpen(const FileDialogRequest &request)
{
    fileRequests.append(request);
    return m_fileAnswers.isEmpty() ? std::nullopt : m_fileAnswers.takeFirst();
}

std::optional<QString> ScriptedUserInteraction::ShowSave(const FileDialogRequest &request)
{
    fileRequests.append(request);
    return m_fileAnswers.isEmpty() ? std::nullopt : m_fileAnswers.takeFirst();
}

QString ScriptedUserInteraction::InputBox(const QString &prompt, const QString &, const QString &)
{
    inputPrompts.append(prompt);
    return m_inputAnswers.isEmpty() ? QString() : m_inputAnswers.takeFirst();
}

void ScriptedUserInteraction::setHourglass(bool on)
{
    hourglassDepth += on ? 1 : -1;
    if (on)
        ++hourglassShown;
}
