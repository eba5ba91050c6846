#pragma once
#include "link/platform/SerialPortControl.h"

#include <QByteArray>
#include <functional>

class Clock;

// In-memory port for tests. A peer (a scripted device or the simulated meter) sees every
// byte written through onOutput and answers with deliver(), usually from events it has
// scheduled on the virtual clock; waitForInput advances that clock.
class MemorySerialPort : public SerialPortControl
{
public:
    explicit MemorySerialPort(Clock &clock) : m_clock(clock) {}
    int CommPort() const override { return m_port; }
    bool setCommPort(int port) override;
    bool PortOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    bool Output(const QString &text) override;
    QString Input() override;
    int InBufferCount() override;
    bool waitForInput(int ms) override;

    // Bytes arriving from the peer (ignored while the port is closed).
    void deliver(const QByteArray &bytes);
    // The port disappears: it closes and every later open fails.
    void vanish();
    void setOpenFails(bool fails) { m_openFails = fails; }

    std::function<void(const QByteArray &)> onOutput;
    QByteArray written; // everything ever written, for assertions
    int openCount = 0;

private:
    Clock &m_clock;
    QByteArray m_input;
    int m_port = 1;
    bool m_open = false;
    bool m_openFails = false;
};
