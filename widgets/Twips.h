#pragma once
#include <QWidget>
#include <cmath>

// Window geometry in twips, as the windows are laid out, against Qt's pixels: 15 twips
// make one pixel.
namespace Twips {
inline constexpr int PerPixel = 15;
inline int toPixels(double twips) { return int(std::lround(twips / PerPixel)); }
inline int fromPixels(int pixels) { return pixels * PerPixel; }
// Places a control at left, top with the given size, all in twips.
inline void place(QWidget &widget, int left, int top, int width, int height)
{
    widget.setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}
} // namespace Twips
