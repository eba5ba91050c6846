#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <initializer_list>

class QAction;
class QActionGroup;
class QWidget;

// Controls of a window that are unavailable while some state lasts, and return to the state
// the window gives them when it ends. The window goes on enabling and disabling them as it
// always does; what it last asked for is what they show afterwards, so a control the
// window disabled for its own reason stays disabled. A control may follow more than one
// state: it is available only when none of them holds it.
class HeldControls : public QObject
{
    Q_OBJECT
protected:
    HeldControls(QObject *window, std::initializer_list<QWidget *> widgets, std::initializer_list<QAction *> actions);

    void follow(bool held);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QPointer<QWidget>> m_widgets;
    QActionGroup *m_actions;
    bool m_held = false;
};

// A window's controls that talk to the meter, or open a window whose opening does: they
// are unavailable while a long operation (a setup-task run) holds the meter
// (link/MeterGate.h). A child of the window:
//     new MeterControls(this, {Command_Read, Command_Set});
class MeterControls : public HeldControls
{
    Q_OBJECT
public:
    MeterControls(QObject *window, std::initializer_list<QWidget *> widgets,
                  std::initializer_list<QAction *> actions = {});
};

// A window's controls that change the table its meter runs read or write (a file load, a
// generator, a read that replaces it): unavailable while any meter run of the window is
// under way (widgets/RunGuard.h), so that a run works on the table as it was when it began.
// A child of the window:
//     new TableControls(this, {Command_FileLoad});
class TableControls : public HeldControls
{
    Q_OBJECT
public:
    TableControls(QWidget *window, std::initializer_list<QWidget *> widgets);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
