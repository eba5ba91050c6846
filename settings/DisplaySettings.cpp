#include "settings/DisplaySettings.h"
#include "link/TextConv.h"

namespace DisplaySettings {

QString brightnessCommand(Display display, int position)
{
    return QStringLiteral("B") + QString::number(int(display)) + TextConv::Format(position, QStringLiteral("0"));
}

} // namespace DisplaySettings
