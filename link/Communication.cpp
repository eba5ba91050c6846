#include "link/Communication.h"
#include "link/DMM_Setup.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/Utility.h"
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"

#include <cmath>
#include <optional>
#include <utility>

namespace {

const QString CR = QStringLiteral("\r");

// Seconds on the monotonic clock, rounded to a whole second: the start of a reply's
// time-out. (The time of day would never reach start + timeout across midnight.)
double roundedSeconds()
{
    return std::nearbyint(appClock().monotonicMs() / 1000.0);
}

double nowSeconds() { return appClock().monotonicMs() / 1000.0; }

// One 50-ms poll of the RS232 input: gathers what arrives into SerialRxBuffer and returns
// as soon as a whole line is there, or when the poll's 50 ms are spent.
bool pollSerialInput(SerialPortControl &port)
{
    Clock &clock = appClock();
    QString &buffer = state().SerialRxBuffer;
    const qint64 pollEnd = clock.monotonicMs() + 50;
    for (;;) {
        if (!port.PortOpen())
            return false;
        buffer += port.Input();
        const qint64 remaining = pollEnd - clock.monotonicMs();
        if (buffer.contains(CR) || remaining <= 0)
            return true;
        port.waitForInput(static_cast<int>(remaining));
    }
}

QString linkName(const SerialPortControl &port) { return QStringLiteral("COM") + QString::number(port.CommPort()); }

// Where the first whole reply in received RS232 text ends, as the exchange reads it: at
// the first line holding "*", or after the first line with text where one line is awaited.
qsizetype serialReplyLength(QStringView text, int PacketEndCondition)
{
    qsizetype lineStart = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] != QLatin1Char('\r'))
            continue;
        const QString line = text.mid(lineStart, at - lineStart).toString().remove(QLatin1Char('\n')).trimmed();
        if (line.contains(QLatin1Char('*')) || (PacketEndCondition == 0 && !line.isEmpty()))
            return at + 1;
        lineStart = at + 1;
    }
    return 0;
}

// Before a command goes out, and for a caller waiting for a given-up reply: what waits in
// the input answers an earlier command; a reply still owed is waited for (LateReply).
// Returns the owed reply as the exchange gives its replies (trimmed lines, each with a CR).
QString settleOwedReply(SerialPortControl &port, int timeout)
{
    const auto read = [&port](int maxMs) -> std::optional<QString> {
        if (maxMs > 0 && port.PortOpen())
            port.waitForInput(maxMs);
        if (!port.PortOpen())
            return std::nullopt;
        return std::exchange(state().SerialRxBuffer, {}) + port.Input();
    };
    const QString owed = state().lateReply.settle(linkName(port), timeout, read, &serialReplyLength);
    QString reply;
    for (const QStringView line : QStringView(owed).split(QLatin1Char('\r'), Qt::SkipEmptyParts))
        if (const QString text = line.toString().remove(QLatin1Char('\n')).trimmed(); !text.isEmpty())
            reply += text + CR;
    return reply;
}

bool bracketCommand(const QString &command, int timeout)
{
    return ClassifyReply(SendToMeter(command, timeout)) == ReplyStatus::Done;
}

// Sends a command that opens setup mode. Unless nothing went out (no driver, or the gate
// refused it), the meter may be in setup mode from now on, whatever it answered: a refusal
// or a reply lost on the way tells nothing certain.
bool openingCommand(const QString &command, int timeout)
{
    SharedState &s = state();
    const QString reply = SendToMeter(command, timeout);
    if (s.DVM1 && reply != MeterGate::Refused) {
        s.SetupModeMayBeOpen = true;
        ++s.SetupModeOpenings;
    }
    return ClassifyReply(reply) == ReplyStatus::Done;
}

} // namespace

void PaceTransmission()
{
    Clock &clock = appClock();
    clock.sleepMs(clock.timeOfDay() >= state().LastSendTime + 0.2 ? 5 : 20);
}

void NoteTransmission() { state().LastSendTime = appClock().timeOfDay(); }

QString ReadSerialLine(SerialPortControl *port, int seconds)
{
    SharedState &s = state();
    if (!port)
        return {};
    for (int polls = seconds * 20; !s.SerialRxBuffer.contains(CR) && polls > 0; --polls) {
        if (!pollSerialInput(*port))
            return {};
        if (s.CommAbort)
            return {};
    }
    const qsizetype cr = s.SerialRxBuffer.indexOf(CR);
    if (cr < 0)
        return {};
    s.LastLine = TrimBlanks(s.SerialRxBuffer.left(cr + 1));
    s.SerialRxBuffer.remove(0, cr + 1);
    return QString(s.LastLine).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
}

QString SerialSendString(SerialPortControl *port, const QString &Commandstring, bool WaitForAck, int timeout,
                         int PacketEndCondition)
{
    SharedState &s = state();
    if (!port)
        return {};
    if (!meterGate().mayExchange(Commandstring))
        return WaitForAck ? MeterGate::Refused : QString();
    if (!port->PortOpen()) {
        if (port->setPortOpen(true))
            port->Output(CR); // wakes the meter's serial interface
        appClock().sleepMs(200);
    }
    if (!port->PortOpen())
        return {};

    PaceTransmission();
    // Replies to earlier commands (sent without waiting, or given up on) are dropped here,
    // once a reply still owed has come or its wait has passed.
    settleOwedReply(*port, timeout);
    if (!port->PortOpen())
        return {};
    s.CommAbort = false;
    if (!port->Output(Commandstring + CR))
        return {};
    NoteTransmission();
    const QString link = linkName(*port);
    s.lateReply.sending(link);
    if (!WaitForAck)
        return {}; // its reply, if any, is dropped before the next command goes out

    double start = roundedSeconds();
    s.LastLine.clear();
    QString reply;
    bool done = false;
    for (;;) {
        if (nowSeconds() >= start + timeout) {
            if (!done) {
                // The lines taken so far belong to the owed reply; a line begun is still
                // in SerialRxBuffer.
                s.lateReply.gaveUp(link, timeout, PacketEndCondition, reply);
                reply = QStringLiteral("TIMEOUT");
            }
            break;
        }
        if (done)
            break;
        const QString line = ReadSerialLine(port, 2);
        s.LastLine = line;
        if (!port->PortOpen())
            return {}; // the port vanished under the exchange
        ShowActivity(reply);
        if (line.contains(QLatin1Char('*'))) {
            reply += line + CR;
            done = true;
        } else if (!line.isEmpty()) {
            start = roundedSeconds();
            reply += line + CR;
            if (PacketEndCondition == 0)
                done = true;
        }
    }
    return reply;
}

QString SerialAwaitLateReply(SerialPortControl *port, int timeout)
{
    if (!port || !port->PortOpen() || !state().lateReply.owes(linkName(*port)))
        return {};
    return settleOwedReply(*port, timeout);
}

bool SendInformationLine(const QString &line) { return bracketCommand(line, 5); }

bool EnterSetupMode()
{
    Clock &clock = appClock();
    clock.sleepMs(150);
    const bool accepted = openingCommand(QStringLiteral("k5820637"), 5);
    clock.sleepMs(50);
    return accepted;
}

bool SendCalibratePassword()
{
    const bool accepted = openingCommand(QStringLiteral("CALIBRATE:PASSWORD 6182"), 10);
    appClock().sleepMs(50);
    return accepted;
}

bool ExitSetupMode()
{
    Clock &clock = appClock();
    clock.sleepMs(150);
    const bool accepted = bracketCommand(QStringLiteral("a1"), 10);
    if (accepted)
        state().SetupModeMayBeOpen = false;
    clock.sleepMs(50);
    return accepted;
}
