#pragma once
#include "widgets/RunGuard.h"
#include "widgets/WindowRegistry.h"

#include <QWidget>
#include <initializer_list>

class QHBoxLayout;
class QPushButton;

// What the meter settings dialogs share: a window of the registry with an exit button, a
// run guard for its exchanges with the meter, and the activation handler.
//
// Every exchange may let the window system run (an Ethernet wait), so each handler that
// talks to the meter holds a run of `guard`: a second click meanwhile shows the busy
// message and sends nothing, Exit and the close box unload the window once the exchange is
// over, and after each exchange the handler touches the window only while
// `run.windowOpen()`.
//
// Form_Activate runs each time the window becomes the active window after another of the
// program's windows was, and when it is first shown; a message box closing over it, or a
// return from another program, does not count. It runs from the event loop, just after
// the activation, and not while another operation holds the meter (link/MeterGate.h).
class SettingsWindow : public QWidget
{
    Q_OBJECT
public:
    QPushButton *Command_Exit;

    // Closes (unloads) the dialog; during an exchange it hides and unloads afterwards.
    void Command_Exit_Click();
    virtual void Form_Activate() {}

protected:
    SettingsWindow(const QString &objectName, const QString &caption, const QString &exitCaption,
                   QWidget *parent = nullptr);
    void closeEvent(QCloseEvent *event) override;

    // The bottom row of a dialog: the `leading` widgets from the left, a stretch, then Exit.
    QHBoxLayout *exitRow(std::initializer_list<QWidget *> leading = {});

    RunGuard guard{this};
};
