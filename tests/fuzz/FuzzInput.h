#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: the input as the bytes a meter, a module or a file would
// deliver (Latin-1, one character per byte), cut into parts where a target needs several,
// and a check that turns a broken property into a crash libFuzzer keeps as a reproducer.

class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_bytes(reinterpret_cast<const char *>(data), qsizetype(size)) {}

    const QByteArray &bytes() const { return m_bytes; }
    QString text() const { return QString::fromLatin1(m_bytes); }

    // The first byte, taken off the input (0 when empty): selects a variant of the target.
    quint8 takeByte()
    {
        if (m_bytes.isEmpty())
            return 0;
        const quint8 byte = quint8(m_bytes.front());
        m_bytes.remove(0, 1);
        return byte;
    }
    // The input up to the first NUL byte, taken off with the NUL; the whole rest when none.
    QString takePart()
    {
        const qsizetype end = m_bytes.indexOf('\0');
        const QByteArray part = end < 0 ? m_bytes : m_bytes.left(end);
        m_bytes.remove(0, end < 0 ? m_bytes.size() : end + 1);
        return QString::fromLatin1(part);
    }

private:
    QByteArray m_bytes;
};

#define FUZZ_CHECK(condition)                                                                       \
    do {                                                                                            \
        if (!(condition)) {                                                                         \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);   \
            std::abort();                                                                           \
        }                                                                                           \
    } while (false)
