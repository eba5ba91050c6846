#include "tests/support/doubles/MemorySerialPort.h"
#include "link/platform/Clock.h"

bool MemorySerialPort::setCommPort(int port)
{
    if (m_open || port < 1 || port > 16)
        return false;
    m_port = port;
    return true;
}

bool MemorySerialPort::setPortOpen(bool open)
{
    if (!open) {
        m_open = false;
        return true;
    }
    if (m_openFails)
        return false;
    if (!m_open)
        ++openCount;
    m_open = true;
    return true;
}

bool MemorySerialPort::Output(const QString &text)
{
    if (!m_open)
        return false;
    const QByteArray bytes = text.toLatin1();
    written += bytes;
    if (onOutput)
        onOutput(bytes);
    return true;
}

QString MemorySerialPort::Input()
{
    if (!m_open)
        return {};
    return QString::fromLatin1(std::exchange(m_input, {}));
}

int MemorySerialPort::InBufferCount() { return m_open ? static_cast<int>(m_input.size()) : 0; }

bool MemorySerialPort::waitForInput(int ms)
{
    if (!m_open)
        return false;
    return m_clock.waitUntil([this] { return !m_open || !m_input.isEmpty(); }, ms) && m_open;
}

void MemorySerialPort::deliver(const QByteArray &bytes)
{
    if (m_open)
        m_input += bytes;
}

void MemorySerialPort::vanish()
{
    m_open = false;
    m_openFails = true;
    m_input.clear();
}
