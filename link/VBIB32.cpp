#include "link/VBIB32.h"
#include "link/SharedState.h"
#include "link/Utility.h"
#include "link/platform/Clock.h"
#include "link/platform/Gpib.h"
#include "link/platform/UserInteraction.h"

namespace {

// What a system without any GPIB library answers: every call fails, no board.
class NoGpibLibrary : public GpibApi
{
public:
    int RegisterGpibGlobalsForThread(GpibThreadGlobals *globals) override
    {
        m_registered = globals;
        return 0;
    }
    int UnregisterGpibGlobalsForThread() override
    {
        m_registered = nullptr;
        return 0;
    }
    int ibdev(int, int, int, int, int, int) override
    {
        fail();
        return -1;
    }
    int ibclr(int) override { return fail(); }
    int ibln(int, int, int, short &listener) override
    {
        listener = 0;
        return fail();
    }
    int ibwrt(int, const QByteArray &) override { return fail(); }
    int ibrd(int, QByteArray &) override { return fail(); }
    int ibonl(int, int) override { return fail(); }

private:
    int fail()
    {
        if (m_registered)
            *m_registered = {Gpib::ERR, Gpib::ENEB, 0, 0};
        return Gpib::ERR;
    }
    GpibThreadGlobals *m_registered = nullptr;
};

GpibApi &library()
{
    static NoGpibLibrary none;
    return state().gpib ? *state().gpib : none;
}

// Registers on first use; false when registration failed (the program is ending).
bool ready()
{
    if (!state().GpibGlobalsRegistered)
        RegisterGpibGlobals();
    return state().GpibGlobalsRegistered;
}

void endProgramWith(const QString &message, bool unregister)
{
    appUi().MsgBox(message, Msg::Critical);
    if (unregister)
        library().UnregisterGpibGlobalsForThread();
    if (state().EndProgramNow)
        state().EndProgramNow();
}

// Pauses around the write and before the read: the instrument's timing.
constexpr int PauseBeforeWriteMs = 25;
constexpr int PauseAfterWriteMs = 25;
constexpr int PauseBeforeReadMs = 50;

} // namespace

int LowWordToInteger(qint32 value) { return static_cast<qint16>(static_cast<quint16>(value & 0xFFFF)); }

void CopyGpibStatus()
{
    SharedState &s = state();
    s.ibsta = LowWordToInteger(s.GpibGlobals.status);
    s.iberr = static_cast<qint16>(s.GpibGlobals.error); // error codes are small
    s.ibcnt = LowWordToInteger(s.GpibGlobals.longCount);
}

void RegisterGpibGlobals()
{
    SharedState &s = state();
    GpibApi &gpib = library();
    switch (gpib.RegisterGpibGlobalsForThread(&s.GpibGlobals)) {
    case 0:
        s.GpibGlobalsRegistered = true;
        return;
    case 1: // registered before under other values: register ours
        gpib.UnregisterGpibGlobalsForThread();
        gpib.RegisterGpibGlobalsForThread(&s.GpibGlobals);
        s.GpibGlobalsRegistered = true;
        return;
    case 2:
        endProgramWith(QStringLiteral("Operating System is not multi-threaded. Quitting the Program!"), true);
        return;
    case 3:
        endProgramWith(QStringLiteral("Unable to register GPIB thread globals. Quitting the Program!"), true);
        return;
    default:
        endProgramWith(QStringLiteral("Unknown Error for Registering GPIB Globals!!! Quitting the Program!"), false);
        return;
    }
}

int GpibOpenDevice(int boardIndex, int primaryAddress, int secondaryAddress, int timeoutCode, int eoiMode,
                   int eosMode)
{
    if (!ready())
        return -1;
    const int descriptor =
        library().ibdev(boardIndex, primaryAddress, secondaryAddress, timeoutCode, eoiMode, eosMode);
    CopyGpibStatus();
    return LowWordToInteger(descriptor);
}

namespace {

// False, with the status of a failed bus call, when the code running may not put anything
// on the bus: another operation holds the meter, or none does.
bool gateAdmits(const QString &what)
{
    if (meterGate().mayExchange(what))
        return true;
    SharedState &s = state();
    s.ibsta = Gpib::ERR;
    s.iberr = Gpib::EBUS;
    s.ibcnt = 0;
    return false;
}

} // namespace

void GpibClear(int descriptor)
{
    if (!ready() || !gateAdmits(QStringLiteral("device clear")))
        return;
    library().ibclr(descriptor);
    CopyGpibStatus();
}

int GpibFindListener(int boardIndex, int primaryAddress, int secondaryAddress)
{
    if (!ready() || !gateAdmits(QStringLiteral("listener check")))
        return 0;
    short listener = 0;
    library().ibln(boardIndex, primaryAddress, secondaryAddress, listener);
    CopyGpibStatus();
    return listener;
}

void GpibWrite(int descriptor, const QString &text)
{
    if (!ready() || !gateAdmits(text))
        return;
    library().ibwrt(descriptor, text.toLatin1());
    CopyGpibStatus();
}

void GpibRead(int descriptor, QString &buffer)
{
    if (!ready())
        return;
    QByteArray bytes = buffer.toLatin1();
    library().ibrd(descriptor, bytes);
    CopyGpibStatus();
    buffer = QString::fromLatin1(bytes);
}

void GpibOnline(int descriptor, int value)
{
    if (!ready())
        return;
    library().ibonl(descriptor, value);
    CopyGpibStatus();
}

int GpibOpenAt(int primaryAddress)
{
    return GpibOpenDevice(GpibDevice::Board, primaryAddress, GpibDevice::SecondaryAddress, GpibDevice::TimeoutCode,
                          GpibDevice::EoiMode, GpibDevice::EosMode);
}

QString GpibOpeningFailure(int descriptor)
{
    switch (state().iberr) {
    case Gpib::ENEB:
        return QStringLiteral("GPIB Interface Not Installed");
    case Gpib::EBUS:
        return QStringLiteral("No GPIB Devices on Bus");
    case Gpib::ELCK:
        return QStringLiteral("GPIB Already Locked");
    default:
        return descriptor == -1 ? QStringLiteral("Error initalising GPIB") : QString();
    }
}

QString GpibQuery(int address, const QString &command, int maxChars)
{
    const int descriptor = GpibOpenAt(address);
    GpibClear(descriptor);
    GpibWrite(descriptor, command + QLatin1Char('\n'));
    QString reply;
    if (state().iberr == 0) {
        QString buffer(maxChars, QLatin1Char(' '));
        GpibRead(descriptor, buffer);
        reply = TrimBlanks(buffer);
    }
    GpibOnline(descriptor, 0);
    return reply;
}

QString GpibSendString(int address, const QString &command, bool &written, bool &opened)
{
    SharedState &s = state();
    Clock &clock = appClock();
    s.CommAbort = false;

    const int descriptor = GpibOpenAt(address);
    if (!GpibOpeningFailure(descriptor).isEmpty())
        return QStringLiteral("False");
    opened = true;

    // Whether an instrument listens at the address; on a bus error or none, the exchange ends.
    const auto listenerAnswers = [&] {
        const int listener = GpibFindListener(GpibDevice::Board, address, GpibDevice::SecondaryAddress);
        return s.iberr != Gpib::EBUS && listener != 0;
    };
    const auto offLineWith = [&](const QString &reply) {
        GpibOnline(descriptor, 0);
        return reply;
    };

    GpibClear(descriptor);
    if (s.iberr != 0) {
        if (!listenerAnswers())
            return offLineWith({});
        GpibClear(descriptor);
        if (s.iberr != 0)
            return offLineWith({});
    }

    clock.sleepMs(PauseBeforeWriteMs);
    GpibWrite(descriptor, command);
    clock.sleepMs(PauseAfterWriteMs);
    if (s.iberr != 0) {
        if (!listenerAnswers())
            return offLineWith({});
        GpibWrite(descriptor, command);
    }
    clock.sleepMs(PauseBeforeReadMs);
    written = true;

    QString reply;
    if (s.iberr == 0) {
        QString buffer(GpibReplyLimit, QLatin1Char(' '));
        GpibRead(descriptor, buffer);
        reply = TrimBlanks(buffer);
    }
    return offLineWith(reply);
}

QString GpibSendString(int address, const QString &command)
{
    bool written = false;
    bool opened = false;
    return GpibSendString(address, command, written, opened);
}
