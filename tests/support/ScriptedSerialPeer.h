#pragma once
#include "link/platform/Clock.h"
#include "link/platform/SerialPortControl.h"
#include "tests/support/doubles/MemorySerialPort.h"
#include "tests/support/doubles/VirtualClock.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>

// A device at the far end of a MemorySerialPort, scripted per command: every CR-ended
// command it receives is recorded with its virtual time, and `answer` gives the reply as
// chunks, each delivered a delay after the one before (the first after the command).
struct ScriptedSerialPeer
{
    struct Chunk
    {
        int delayMs;
        QByteArray bytes;
    };

    ScriptedSerialPeer(VirtualClock &clock, MemorySerialPort &port) : m_clock(clock), m_port(port)
    {
        port.onOutput = [this](const QByteArray &bytes) { receive(bytes); };
    }

    // One chunk after delayMs.
    static QList<Chunk> after(int delayMs, const QByteArray &bytes) { return {{delayMs, bytes}}; }

    std::function<QList<Chunk>(const QString &command)> answer;
    QStringList commands;      // without the CR; a lone CR gives an empty command
    QList<qint64> commandTimes; // monotonic ms at which each command's CR arrived

private:
    void receive(const QByteArray &bytes)
    {
        m_pending += bytes;
        for (qsizetype cr = m_pending.indexOf('\r'); cr >= 0; cr = m_pending.indexOf('\r')) {
            const QString command = QString::fromLatin1(m_pending.left(cr));
            m_pending.remove(0, cr + 1);
            commands << command;
            commandTimes << m_clock.monotonicMs();
            if (!answer)
                continue;
            qint64 at = m_clock.monotonicMs();
            for (const Chunk &chunk : answer(command)) {
                at += chunk.delayMs;
                const QByteArray data = chunk.bytes;
                m_clock.scheduleAt(at, [this, data] { m_port.deliver(data); });
            }
        }
    }

    VirtualClock &m_clock;
    MemorySerialPort &m_port;
    QByteArray m_pending;
};
