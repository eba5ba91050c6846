#pragma once
#include <QString>
#include <QtGlobal>

// A fixed-length text field: every assignment pads with blanks or truncates to Width
// characters; a field never assigned holds Width NUL characters. Copied whole.
template <int Width>
class FixedText
{
public:
    FixedText() : m_text(Width, QChar(0)) {}
    FixedText(const QString &text) { *this = text; }
    FixedText &operator=(const QString &text)
    {
        m_text = text.left(Width).leftJustified(Width, QLatin1Char(' '));
        return *this;
    }
    // The stored text at its full width.
    const QString &text() const { return m_text; }
    operator const QString &() const { return m_text; }
    bool operator==(const FixedText &other) const = default;
    static constexpr int width = Width;

private:
    QString m_text;
};

// An FTDI USB device: the selected one, an enumerated one, or a driver's own copy.
struct USBDevice
{
    QString Description;
    QString SerialNumber;
    qint32 Handle = 0;
    QString Identity;
    qint16 Busy = 0; // -1 while a command exchange runs on the device, else 0
    bool operator==(const USBDevice &) const = default;
};

// A serial-to-Ethernet module found by discovery, as fixed-length fields.
struct EthernetDevice
{
    FixedText<8> Owner;
    FixedText<8> DeviceName;
    FixedText<20> IPAddress;
    qint32 Port = 0;
    FixedText<30> MACAddress;
    FixedText<80> RawReply;
    FixedText<80> Identity;
    FixedText<1> Flag2; // DHCP state: "M" off, "I" address obtained by DHCP, other: DHCP failed
    FixedText<1> Flag3;
    FixedText<1> Flag1;
    bool operator==(const EthernetDevice &) const = default;
};
