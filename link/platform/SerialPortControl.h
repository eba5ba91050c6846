#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class Clock;
class SettingsStore;

// The serial-port control of the meter's RS232 link: a port number (COM1 to COM16),
// an open state, output and input. Line settings are fixed at 9600 baud, 8 data bits,
// no parity, 1 stop bit. Text crosses as Latin-1, one byte per character.
class SerialPortControl
{
public:
    virtual ~SerialPortControl() = default;
    virtual int CommPort() const = 0;
    // Changing the number of an open port fails (returns false), as on the real control.
    virtual bool setCommPort(int port) = 0;
    virtual bool PortOpen() const = 0;
    // Opens or closes; false when the port cannot be opened.
    virtual bool setPortOpen(bool open) = 0;
    // Sends the text; false when the port is closed or the write failed.
    virtual bool Output(const QString &text) = 0;
    // Takes everything waiting in the input (the empty text when nothing or closed).
    virtual QString Input() = 0;
    virtual int InBufferCount() = 0;
    // Bounded wait: returns as soon as input is waiting, or after ms milliseconds.
    virtual bool waitForInput(int ms) = 0;
};

// The device a COM number stands for: the value of key "COMn" in section "Ports" of the
// settings store when set, else /dev/ttyS<n-1> (Linux) or COMn (Windows).
QString serialDeviceFor(int port, SettingsStore &settings);

// QSerialPort backend.
class QtSerialPortControl : public SerialPortControl
{
public:
    explicit QtSerialPortControl(SettingsStore &settings);
    ~QtSerialPortControl() override;
    int CommPort() const override { return m_port; }
    bool setCommPort(int port) override;
    bool PortOpen() const override;
    bool setPortOpen(bool open) override;
    bool Output(const QString &text) override;
    QString Input() override;
    int InBufferCount() override;
    bool waitForInput(int ms) override;

private:
    bool closeIfVanished();
    struct Impl;
    std::unique_ptr<Impl> d;
    SettingsStore &m_settings;
    int m_port = 1;
};
