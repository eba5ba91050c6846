#include "tests/support/doubles/MemoryGpib.h"
#include "link/platform/Clock.h"
#include "tests/support/doubles/InMemoryPeer.h"
#include "tests/sim/gpib/GpibTimeouts.h"

MemoryGpibBus::Instrument &MemoryGpibBus::attach(int address, InMemoryPeer *peer)
{
    return attach([address] { return address; }, peer);
}

MemoryGpibBus::Instrument &MemoryGpibBus::attach(std::function<int()> address, InMemoryPeer *peer)
{
    Instrument &instrument = m_instruments.emplace_back();
    instrument.peer = peer;
    instrument.address = std::move(address);
    if (peer)
        peer->deliver = [&instrument](const QByteArray &bytes) {
            instrument.output += bytes;
            instrument.eoiAfter.push_back(instrument.output.size());
        };
    return instrument;
}

MemoryGpibBus::Instrument *MemoryGpibBus::at(int address)
{
    for (Instrument &instrument : m_instruments)
        if (instrument.address() == address)
            return &instrument;
    return nullptr;
}

MemoryGpibBus::Instrument *MemoryGpibBus::listenerAt(int address)
{
    Instrument *instrument = at(address);
    return instrument && instrument->listening ? instrument : nullptr;
}

MemoryGpibBus::Descriptor *MemoryGpibBus::descriptor(int ud)
{
    const auto it = m_descriptors.find(ud);
    return it == m_descriptors.end() ? nullptr : &it->second;
}

int MemoryGpibBus::report(int status, int error, qint32 count)
{
    if (m_registered)
        *m_registered = {status, error, count, count};
    return status;
}

int MemoryGpibBus::RegisterGpibGlobalsForThread(GpibThreadGlobals *globals)
{
    const int result = registrations++ == 0 ? registrationResult : 0;
    if (result == 0)
        m_registered = globals;
    return result;
}

int MemoryGpibBus::UnregisterGpibGlobalsForThread()
{
    ++unregistrations;
    m_registered = nullptr;
    return 0;
}

int MemoryGpibBus::ibdev(int, int pad, int, int tmo, int, int eos)
{
    calls << QStringLiteral("ibdev %1").arg(pad);
    if (noBoard || busError || locked) {
        report(Gpib::ERR, noBoard ? Gpib::ENEB : busError ? Gpib::EBUS : Gpib::ELCK);
        return -1;
    }
    const int ud = m_nextDescriptor++;
    m_descriptors[ud] = {pad, static_cast<int>(gpibTimeoutMs(tmo)), eos};
    report(Gpib::CMPL, 0);
    return ud;
}

int MemoryGpibBus::ibclr(int ud)
{
    Descriptor *d = descriptor(ud);
    calls << QStringLiteral("ibclr %1").arg(d ? d->address : -1);
    if (noBoard)
        return report(Gpib::ERR, Gpib::ENEB);
    if (!d)
        return report(Gpib::ERR, Gpib::EARG);
    Instrument *instrument = listenerAt(d->address);
    if (!instrument)
        return report(Gpib::ERR, Gpib::ENOL);
    ++instrument->clears;
    instrument->output.clear();
    instrument->eoiAfter.clear();
    return report(Gpib::CMPL, 0);
}

int MemoryGpibBus::ibln(int, int pad, int, short &listener)
{
    calls << QStringLiteral("ibln %1").arg(pad);
    listener = 0;
    if (noBoard)
        return report(Gpib::ERR, Gpib::ENEB);
    if (busError)
        return report(Gpib::ERR, Gpib::EBUS);
    listener = listenerAt(pad) ? 1 : 0;
    return report(Gpib::CMPL, 0);
}

int MemoryGpibBus::ibwrt(int ud, const QByteArray &bytes)
{
    Descriptor *d = descriptor(ud);
    calls << QStringLiteral("ibwrt %1 %2").arg(d ? d->address : -1).arg(QString::fromLatin1(bytes));
    if (noBoard)
        return report(Gpib::ERR, Gpib::ENEB);
    if (!d)
        return report(Gpib::ERR, Gpib::EARG);
    Instrument *instrument = listenerAt(d->address);
    if (!instrument)
        return report(Gpib::ERR, Gpib::ENOL);
    instrument->written << bytes;
    if (instrument->peer)
        instrument->peer->receive(bytes);
    return report(Gpib::CMPL, 0, static_cast<qint32>(bytes.size()));
}

int MemoryGpibBus::ibrd(int ud, QByteArray &buffer)
{
    Descriptor *d = descriptor(ud);
    calls << QStringLiteral("ibrd %1").arg(d ? d->address : -1);
    if (noBoard)
        return report(Gpib::ERR, Gpib::ENEB);
    if (!d)
        return report(Gpib::ERR, Gpib::EARG);
    const int address = d->address;
    const int timeoutMs = d->timeoutMs;
    const bool endAtCharacter = (d->eos & Gpib::REOS) != 0;
    const char endCharacter = static_cast<char>(d->eos & 0xFF);
    if (!at(address))
        return report(Gpib::ERR, Gpib::ENOL);

    // How many bytes make a complete read now (0: not complete yet).
    const auto completeLength = [&]() -> qsizetype {
        Instrument *instrument = at(address);
        if (!instrument)
            return 0;
        const QByteArray &out = instrument->output;
        const qsizetype limit = std::min(out.size(), buffer.size());
        for (qsizetype i = 0; i < limit; ++i) {
            const bool eoi = !instrument->eoiAfter.empty() && instrument->eoiAfter.front() == i + 1;
            if ((endAtCharacter && out[i] == endCharacter) || eoi)
                return i + 1;
        }
        return limit == buffer.size() ? limit : 0;
    };
    if (readTimesOut)
        m_clock.sleepMs(timeoutMs);
    else
        m_clock.waitUntil([&] { return completeLength() > 0; }, timeoutMs);

    Instrument *instrument = at(address);
    if (!instrument)
        return report(Gpib::ERR, Gpib::EABO);
    const qsizetype complete = readTimesOut ? 0 : completeLength();
    const qsizetype taken = readTimesOut ? 0 : complete > 0 ? complete : std::min(instrument->output.size(), buffer.size());
    buffer.replace(0, taken, instrument->output.left(taken));
    instrument->output.remove(0, taken);
    while (!instrument->eoiAfter.empty() && instrument->eoiAfter.front() <= taken)
        instrument->eoiAfter.pop_front();
    for (qsizetype &position : instrument->eoiAfter)
        position -= taken;
    if (complete == 0)
        return report(Gpib::ERR | Gpib::TIMO, Gpib::EABO, static_cast<qint32>(taken));
    return report(Gpib::END | Gpib::CMPL, 0, static_cast<qint32>(taken));
}

int MemoryGpibBus::ibonl(int ud, int v)
{
    Descriptor *d = descriptor(ud);
    calls << QStringLiteral("ibonl %1 %2").arg(d ? d->address : -1).arg(v);
    if (noBoard)
        return report(Gpib::ERR, Gpib::ENEB);
    if (!d)
        return report(Gpib::ERR, Gpib::EARG);
    if (v == 0)
        m_descriptors.erase(ud);
    return report(Gpib::CMPL, 0);
}
