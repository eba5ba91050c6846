#pragma once
#include "widgets/ColourValue.h"

#include <QFont>
#include <QString>
#include <QtGlobal>

// How the windows look: their shared colours, the fonts the windows name mapped to the
// free metric-compatible ones, and the compiled-in pictures.
// (Colour values: widgets/ColourValue.h; twips: widgets/Twips.h.)
namespace Look {

// The splash and About window's accent colour, RGB(0, 97, 165).
constexpr ColourValue AccentColour = 0xA56100;

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
