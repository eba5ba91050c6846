#include "settings/SettingsWindow.h"
#include "widgets/Named.h"
#include "link/SharedState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

namespace {

// The program window (one the registry holds) that was active last.
QPointer<QWidget> lastActive;

QWidget *widgetOf(QWindow *window)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

void focusWindowChanged(QWindow *window)
{
    QWidget *widget = window ? widgetOf(window) : nullptr;
    if (!widget || !appWindows().holds(widget) || widget == lastActive)
        return;
    lastActive = widget;
    if (auto *form = qobject_cast<SettingsWindow *>(widget)) {
        const QPointer<SettingsWindow> activated(form);
        QMetaObject::invokeMethod(
            form,
            [activated] {
                // Some dialogs read the meter when activated: not while another operation
                // holds it. The activation is one operation of its own.
                if (!activated || !appWindows().holds(activated.data()))
                    return;
                if (const MeterGate::Operation activation = meterGate().begin())
                    activated->Form_Activate();
            },
            Qt::QueuedConnection);
    }
}

void watchActivation()
{
    static bool connected = false;
    if (connected || !qGuiApp)
        return;
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, qGuiApp, &focusWindowChanged);
    connected = true;
}

} // namespace

SettingsWindow::SettingsWindow(const QString &objectName, const QString &caption, const QString &exitCaption,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Command_Exit(named(new QPushButton(exitCaption, this), QStringLiteral("Command_Exit")))
{
    setObjectName(objectName);
    setWindowTitle(caption);
    connect(Command_Exit, &QPushButton::clicked, this, &SettingsWindow::Command_Exit_Click);
    watchActivation();
}

void SettingsWindow::Command_Exit_Click()
{
    guard.requestStop();
    guard.unloadWhenIdle();
}

QHBoxLayout *SettingsWindow::exitRow(std::initializer_list<QWidget *> leading)
{
    auto *row = new QHBoxLayout;
    for (QWidget *widget : leading)
        row->addWidget(widget);
    row->addStretch();
    row->addWidget(Command_Exit);
    return row;
}

void SettingsWindow::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window as Exit does (later, when an exchange is under way).
    event->accept();
    Command_Exit_Click();
}
