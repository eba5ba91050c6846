#pragma once
#include "link/platform/SerialPortControl.h"
#include "tests/support/doubles/MemorySerialPort.h"

#include <map>

// Serial ports by COM number, standing in for the main window's DVM1Comm: each number that
// has a port behaves as that port; the others cannot be opened.
class SerialPortBank : public SerialPortControl
{
public:
    void add(int number, MemorySerialPort &port) { m_ports[number] = &port; }
    int CommPort() const override { return m_port; }
    bool setCommPort(int port) override
    {
        if (PortOpen() || port < 1 || port > 16)
            return false;
        m_port = port;
        return true;
    }
    bool PortOpen() const override { return current() && current()->PortOpen(); }
    bool setPortOpen(bool open) override { return current() ? current()->setPortOpen(open) : !open; }
    bool Output(const QString &text) override { return current() && current()->Output(text); }
    QString Input() override { return current() ? current()->Input() : QString(); }
    int InBufferCount() override { return current() ? current()->InBufferCount() : 0; }
    bool waitForInput(int ms) override { return current() && current()->waitForInput(ms); }

private:
    MemorySerialPort *current() const
    {
        const auto it = m_ports.find(m_port);
        return it == m_ports.end() ? nullptr : it->second;
    }
    std::map<int, MemorySerialPort *> m_ports;
    int m_port = 1;
};
