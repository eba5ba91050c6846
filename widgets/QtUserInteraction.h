#pragma once
#include "link/platform/UserInteraction.h"

// QMessageBox, QFileDialog, QInputDialog and the override cursor.
class QtUserInteraction : public UserInteraction
{
public:
    Msg::Answer MsgBox(const QString &prompt, int style, const QString &title) override;
    std::optional<QString> ShowOpen(const FileDialogRequest &request) override;
    std::optional<QString> ShowSave(const FileDialogRequest &request) override;
    QString InputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    void setHourglass(bool on) override;
};
