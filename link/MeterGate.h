#pragma once
#include <QObject>
#include <QString>
#include <utility>

// Who may talk to the meter. Everything runs on one thread, yet many waits let the window
// system run other handlers in the middle of an exchange (the Ethernet reply wait, the
// search, the editors between cells, the setup tasks between tasks, every message box).
// So the meter belongs to one operation at a time - a user action from its first command
// to its last, a setup-task run from start to summary, an activation read, a search - and
// "who is talking" is a property of the call stack, not of a thread:
//
// - An operation is a scoped object taken at the top of the action (begin()). It holds the
//   meter until it ends, and is current while its own code runs.
// - Every yield (Clock::processEvents, a modal box or dialog) sets the current operation
//   aside with a Yield and puts it back afterwards. A handler that runs inside a yield
//   therefore finds the meter held and no operation current: it cannot begin one.
// - The holder's own nested calls (a run driving an editor's save, the search's Update)
//   find their operation current: begin() gives them a nested operation that passes.
// - Every transport asks mayExchange() before a byte goes out; nothing is sent unless the
//   holder is current. An exchange outside every operation is refused as well, so a path
//   that forgets to begin one cannot reach the meter.
//
// The one instance lives in the shared state: meterGate().
class MeterGate : public QObject
{
    Q_OBJECT
public:
    // Whether a hold is shown to the windows: they make their meter controls unavailable
    // for it (widgets/MeterControls.h). For long holds (a setup-task run), not for every
    // short exchange.
    enum class Shown { No, Yes };

    class Operation
    {
    public:
        Operation() = default;
        Operation(Operation &&other) noexcept
            : m_gate(std::exchange(other.m_gate, nullptr)), m_hold(std::exchange(other.m_hold, 0))
        {
        }
        Operation &operator=(Operation &&other) noexcept;
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;
        ~Operation() { release(); }

        // False when the operation was refused: another one holds the meter.
        explicit operator bool() const { return m_gate != nullptr; }
        // True for the operation that holds the meter, false for a nested one.
        bool holdsMeter() const { return m_hold != 0; }
        // Ends the operation now (a nested one just lets go of its gate).
        void release();

    private:
        friend class MeterGate;
        Operation(MeterGate *gate, quint64 hold) : m_gate(gate), m_hold(hold) {}
        MeterGate *m_gate = nullptr;
        quint64 m_hold = 0; // the hold this operation took; 0 for a nested operation
    };

    // Sets the current operation aside for its life: for every wait that lets the window
    // system run other handlers.
    class Yield
    {
    public:
        Yield();
        ~Yield();
        Yield(const Yield &) = delete;
        Yield &operator=(const Yield &) = delete;

    private:
        quint64 m_saved;
    };

    // Begins an operation: the holder of a free meter, or a nested operation of the holder
    // when it is current. Refused (an empty Operation) when another operation holds the meter.
    [[nodiscard]] Operation begin(Shown shown = Shown::No);
    // The same for a user action: a refusal tells the user in one message.
    [[nodiscard]] Operation beginUserAction();

    // True while any operation holds the meter.
    bool held() const { return m_holder != 0; }
    // True while a shown hold is under way (MeterControls follows it through heldShown).
    bool shownHeld() const { return m_shownHold != 0; }
    // True when the code now running may send to the meter: the holder is current (and,
    // once it winds up, `what` is "a1"). A refusal is noted on the program's log with
    // `what` was not sent.
    bool mayExchange(const QString &what = {});
    // Winds the operation holding the meter up: from now until it ends nothing goes out but
    // "a1", which leaves setup mode, and the one line let out below. For a window the user
    // closed while its operation ran: whatever its code still tries, the meter gets nothing
    // more for it.
    void windUp();
    // Lets one table information line ("&" and its slot) of the holder's own out once while
    // it winds up, before its "a1": a table write the window's closing ended stores its
    // line without a version, so that the meter never claims its earlier version over a
    // table the write may have changed. Only the holder's current code may ask; the leave
    // lapses once that line or "a1" has gone out, and when the operation ends.
    void letOutWhileWindingUp(const QString &informationLine);
    // Exchanges refused since the program started because no operation at all was under
    // way: each is a path that forgot to begin one. (Refusals while another operation holds
    // the meter are the gate at work, and not counted.)
    quint64 strayExchanges() const { return m_strayExchanges; }

    // The message a refused user action shows.
    static const QString BusyMessage;
    // The reply of a meter exchange the gate refused: the transports' failure text for a
    // link in use.
    static const QString Refused;

Q_SIGNALS:
    void heldShownChanged(bool held);

private:
    void end(quint64 hold);

    quint64 m_holder = 0;     // the hold under way, 0 when the meter is free
    quint64 m_current = 0;    // the hold whose code is running, 0 inside a yield
    quint64 m_shownHold = 0;  // the hold shown to the windows, if any
    quint64 m_windingUp = 0;  // the hold that may only leave setup mode, if any
    QString m_letOut;         // the one information line the holder may still send while winding up
    quint64 m_letOutHold = 0; // the hold m_letOut belongs to
    quint64 m_lastHold = 0;
    quint64 m_strayExchanges = 0;
};

// The program's one gate (in the shared state).
MeterGate &meterGate();
