#include "widgets/MeterControls.h"
#include "link/SharedState.h"

#include <QActionGroup>
#include <QEvent>
#include <QWidget>

namespace {

// Disables a control the way a disabled parent disables its children: the window's own
// wish stays in WA_ForceDisabled, which setEnabled sets and clears and this leaves as it
// was, so what the window asks for while the meter is held is kept for afterwards.
void holdDisabled(QWidget *control)
{
    const bool disabledByWindow = control->testAttribute(Qt::WA_ForceDisabled);
    control->setEnabled(false);
    control->setAttribute(Qt::WA_ForceDisabled, disabledByWindow);
}

} // namespace

MeterControls::MeterControls(QObject *window, std::initializer_list<QWidget *> widgets,
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
    MeterGate &gate = meterGate();
    connect(&gate, &MeterGate::heldShownChanged, this, &MeterControls::follow);
    follow(gate.shownHeld());
}

void MeterControls::follow(bool held)
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

bool MeterControls::eventFilter(QObject *watched, QEvent *event)
{
    // The window enabled a control while the meter is held: it stays unavailable.
    if (m_held && event->type() == QEvent::EnabledChange) {
        auto *control = static_cast<QWidget *>(watched);
        if (control->isEnabled())
            holdDisabled(control);
    }
    return false;
}
