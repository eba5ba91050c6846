#pragma once
#include "link/platform/UserInteraction.h"

#include <QList>
#include <QStringList>
#include <initializer_list>

// Test double: records every box and answers from scripts; never blocks.
// An unscripted box answers with its default button, an unscripted file dialog and
// input box as cancelled.
class ScriptedUserInteraction : public UserInteraction
{
public:
    struct Box
    {
        QString prompt;
        QString title; // as shown: the application's title when none was given
        int style = 0;
    };

    Msg::Answer MsgBox(const QString &prompt, int style, const QString &title) override;
    std::optional<QString> ShowOpen(const FileDialogRequest &request) override;
    std::optional<QString> ShowSave(const FileDialogRequest &request) override;
    QString InputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    void setHourglass(bool on) override;

    void answerBoxes(std::initializer_list<Msg::Answer> answers) { m_boxAnswers.append(answers); }
    void answerFiles(std::initializer_list<std::optional<QString>> paths) { m_fileAnswers.append(paths); }
    void answerInputs(std::initializer_list<QString> texts) { m_inputAnswers.append(texts); }

    QList<Box> boxes;
    QList<FileDialogRequest> fileRequests;
    QStringList inputPrompts;
    int hourglassDepth = 0;
    int hourglassShown = 0; // how many times the hourglass was switched on

private:
    QList<Msg::Answer> m_boxAnswers;
    QList<std::optional<QString>> m_fileAnswers;
    QStringList m_inputAnswers;
};
