#include "link/MeterGate.h"
#include "link/SharedState.h"
#include "link/platform/UserInteraction.h"

#include <QDebug>

const QString MeterGate::Refused = QStringLiteral("BUSY");

const QString MeterGate::BusyMessage =
    QStringLiteral("The meter is busy with another operation. Try again when it has finished.");

MeterGate::Operation &MeterGate::Operation::operator=(Operation &&other) noexcept
{
    if (this != &other) {
        release();
        m_gate = std::exchange(other.m_gate, nullptr);
        m_hold = std::exchange(other.m_hold, 0);
    }
    return *this;
}

void MeterGate::Operation::release()
{
    MeterGate *gate = std::exchange(m_gate, nullptr);
    if (gate && m_hold)
        gate->end(std::exchange(m_hold, 0));
}

MeterGate::Yield::Yield() : m_saved(meterGate().m_current) { meterGate().m_current = 0; }

MeterGate::Yield::~Yield()
{
    // The hold set aside comes back only if it is still the one under way.
    MeterGate &gate = meterGate();
    gate.m_current = m_saved == gate.m_holder ? m_saved : 0;
}

MeterGate::Operation MeterGate::begin(Shown shown)
{
    if (m_holder != 0)
        return m_current == m_holder ? Operation(this, 0) : Operation();
    m_holder = m_current = ++m_lastHold;
    if (shown == Shown::Yes) {
        m_shownHold = m_holder;
        Q_EMIT heldShownChanged(true);
    }
    return Operation(this, m_holder);
}

MeterGate::Operation MeterGate::beginUserAction()
{
    Operation operation = begin();
    if (!operation)
        appUi().MsgBox(BusyMessage, Msg::OKOnly | Msg::Exclamation);
    return operation;
}

bool MeterGate::mayExchange(const QString &what)
{
    if (m_holder != 0 && m_current == m_holder) {
        if (m_windingUp != m_holder)
            return true;
        const QString command = what.trimmed();
        const bool letOut = m_letOutHold == m_holder && command == m_letOut;
        if (letOut || command == QLatin1String("a1")) {
            // Either ends the leave: the line goes out once, and never after the "a1".
            m_letOut.clear();
            m_letOutHold = 0;
            return true;
        }
        qWarning().noquote() << "Meter operation winding up:" << what.trimmed() << "not sent";
        return false;
    }
    if (m_holder == 0)
        ++m_strayExchanges;
    qWarning().noquote() << (m_holder ? "Meter held by another operation:" : "Meter exchange outside every operation:")
                         << what.trimmed() << "not sent";
    return false;
}

void MeterGate::windUp() { m_windingUp = m_holder; }

void MeterGate::letOutWhileWindingUp(const QString &informationLine)
{
    const QString line = informationLine.trimmed();
    if (m_holder == 0 || m_current != m_holder || !line.startsWith(QLatin1Char('&')))
        return;
    m_letOut = line;
    m_letOutHold = m_holder;
}

void MeterGate::end(quint64 hold)
{
    if (hold != m_holder)
        return; // a hold the gate has been reset under
    m_holder = m_current = m_windingUp = m_letOutHold = 0;
    m_letOut.clear();
    if (std::exchange(m_shownHold, 0) != 0)
        Q_EMIT heldShownChanged(false);
}
