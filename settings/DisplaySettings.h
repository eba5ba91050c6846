#pragma once
#include <QString>

// The display dialog's command: "B1" (primary) or "B2" (secondary) followed by the
// brightness slider's whole-number position.
namespace DisplaySettings {

enum class Display { Primary = 1, Secondary = 2 };

QString brightnessCommand(Display display, int position);

} // namespace DisplaySettings
