#include "widgets/MeterControls.h"
#include "link/SharedState.h"
#include "widgets/RunGuard.h"

#include <QActionGroup>
#include <QEvent>
#include <QWidget>

namespace {

// Disables a control the way a disabled parent disables its children: the window's own
// wish stays in WA_ForceDisabled, which setEnabled sets and clears and this leaves as it
// was, so what the window asks for while the control is held is kept for afterwards.
void holdDisabled(QWidget *control)
{
    const bool disabledByWindow = control->testAttribute(Qt::WA_ForceDisabled);
    control->setEnabled(false);
    control->setAttribute(Qt::WA_ForceDisabled, disabledByWindow);
}

} // namespace

HeldControls::HeldControls(QObject *window, std::initializer_list<QWidget *> widgets,
                           std::initializer_list<QAction *> actions)
    : QObject(window), m_actions(new QActionGroup(this))
{
    // A disabled group keeps its actions disabled and each action remembers what it was
    // last set to, as for the actions of any group.
    m_actions->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    for (QAction *action : actions)
        m_actions->addAction(action);
    for (QWidget *control : widgets) {
        m_widgets.append(control);
        control->installEventFilter(this);
    }
}

void HeldControls::follow(bool held)
{
    m_held = held;
    m_actions->setEnabled(!held);
    for (QWidget *control : std::as_const(m_widgets)) {
        if (!control)
            continue;
        if (held)
            holdDisabled(control);
        else
            control->setEnabled(!control->testAttribute(Qt::WA_ForceDisabled));
    }
}

bool HeldControls::eventFilter(QObject *watched, QEvent *event)
{
    // The window, or another state letting go of the control, enabled it while this state
    // holds it: it stays unavailable.
    if (m_held && event->type() == QEvent::EnabledChange) {
        auto *control = static_cast<QWidget *>(watched);
        if (control->isEnabled())
            holdDisabled(control);
    }
    return false;
}

MeterControls::MeterControls(QObject *window, std::initializer_list<QWidget *> widgets,
                             std::initializer_list<QAction *> actions)
    : HeldControls(window, widgets, actions)
{
    MeterGate &gate = meterGate();
    connect(&gate, &MeterGate::heldShownChanged, this, [this](bool held) { follow(held); });
    follow(gate.shownHeld());
}

TableControls::TableControls(QWidget *window, std::initializer_list<QWidget *> widgets)
    : HeldControls(window, widgets, {})
{
    window->installEventFilter(this);
}

bool TableControls::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != parent())
        return HeldControls::eventFilter(watched, event);
    if (event->type() == RunGuard::MeterRunsEvent::type())
        follow(static_cast<RunGuard::MeterRunsEvent *>(event)->underWay());
    return false;
}
