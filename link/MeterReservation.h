#pragma once
#include <QObject>
#include <algorithm>
#include <utility>

// The meter held by one operation that lets the window system run between its steps and
// must have the meter to itself meanwhile (a run of the setup tasks: another window's
// commands must not land inside its setup-mode bracket, nor its bracket inside theirs).
// While the meter is held nothing else may start talking to it: the windows make their
// meter controls unavailable (widgets/MeterControls.h) and the settings dialogs skip the
// reads they make when activated. The one instance lives in the shared state
// (state().meterReservation).
class MeterReservation : public QObject
{
    Q_OBJECT
public:
    // Keeps the meter held from hold() to the end of its life; empty when the meter was
    // held already.
    class Hold
    {
    public:
        Hold(Hold &&other) noexcept : m_reservation(std::exchange(other.m_reservation, nullptr)) {}
        Hold &operator=(Hold &&) = delete;
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;
        ~Hold();

        explicit operator bool() const { return m_reservation != nullptr; }

    private:
        friend class MeterReservation;
        explicit Hold(MeterReservation *reservation) : m_reservation(reservation) {}
        MeterReservation *m_reservation;
    };

    // Holds the meter unless it is held already (the Hold is then empty).
    [[nodiscard]] Hold hold();
    bool held() const { return m_held; }

    // Window operations under way that talk to the meter between yields (counted by
    // widgets/RunGuard): an operation that wants the meter to itself does not start while
    // any is, or its commands would land inside theirs.
    void operationStarted() { ++m_operations; }
    void operationEnded() { m_operations = std::max(0, m_operations - 1); }
    bool operationsUnderway() const { return m_operations > 0; }

Q_SIGNALS:
    void heldChanged(bool held);

private:
    void setHeld(bool held);

    bool m_held = false;
    int m_operations = 0;
};
