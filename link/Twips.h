#pragma once
#include <QtGlobal>
#include <cmath>

// Window geometry in twips, as the windows are laid out, against Qt's pixels: 15 twips
// make one pixel.
namespace Twips {
inline constexpr int PerPixel = 15;
inline int toPixels(double twips) { return int(std::lround(twips / PerPixel)); }
inline int fromPixels(int pixels) { return pixels * PerPixel; }
} // namespace Twips
