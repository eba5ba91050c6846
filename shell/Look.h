#pragma once
#include <QColor>
#include <QFont>
#include <QString>
#include <QtGlobal>

// How the windows look: colours written as &HBBGGRR values, twips, the fonts the windows
// name mapped to the free metric-compatible ones, and the compiled-in pictures.
namespace Look {

// The splash and About window's accent colour, RGB(0, 97, 165).
constexpr quint32 AccentColour = 0xA56100;

// A colour value &HBBGGRR as a QColor.
constexpr QColor fromBgr(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// Window geometry is given in twips; a pixel is 15 twips.
constexpr int TwipsPerPixel = 15;
constexpr int twipsToPixels(int twips) { return twips / TwipsPerPixel; }
constexpr int pixelsToTwips(int pixels) { return pixels * TwipsPerPixel; }

// A font by the face name a window gives ("Arial", "Arial Black", "MS Sans Serif"),
// in points: Liberation Sans stands in for all of them, its bold for Arial Black.
QFont font(const QString &face, double points, bool bold = false);

// The program's default font (MS Sans Serif 8 point), for QApplication::setFont.
QFont defaultFont();

// Paths of the pictures compiled into the program.
QString meterPicture();  // 640 x 480, the main window's background
QString logoPicture();   // the maker's logo
QString splashPicture(); // the splash window's picture

} // namespace Look
