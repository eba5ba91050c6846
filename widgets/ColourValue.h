#pragma once
#include <QColor>
#include <QtGlobal>

// Colours are kept as the window system's colour values &HBBGGRR (blue, green and red
// bytes), so they can be compared exactly; this is the one conversion to and from QColor.
using ColourValue = quint32;

inline QColor toQColor(ColourValue bbggrr)
{
    return QColor(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}

// Used by the tests only: the value a shown colour stands for.
inline ColourValue toColourValue(const QColor &colour)
{
    return ColourValue(colour.red()) | (ColourValue(colour.green()) << 8) | (ColourValue(colour.blue()) << 16);
}
