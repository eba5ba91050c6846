#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <initializer_list>

class QAction;
class QActionGroup;
class QWidget;

// A window's controls that talk to the meter, or open a window whose opening does: they
// are unavailable while a long operation (a setup-task run) holds the meter
// (link/MeterGate.h) and return to the state the window gives them when it is free. The window goes on
// enabling and disabling them as it always does; what it last asked for is what they
// show afterwards, so a control the window disabled for its own reason stays disabled.
// A child of the window:
//     new MeterControls(this, {Command_Read, Command_Set});
class MeterControls : public QObject
{
    Q_OBJECT
public:
    MeterControls(QObject *window, std::initializer_list<QWidget *> widgets,
                  std::initializer_list<QAction *> actions = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow(bool held);

    QList<QPointer<QWidget>> m_widgets;
    QActionGroup *m_actions;
    bool m_held = false;
};
