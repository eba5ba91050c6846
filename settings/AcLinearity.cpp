#include "settings/AcLinearity.h"
#include "link/TextConv.h"

namespace AcLinearity {

QString valueText(const QString &reply) { return TextConv::General(TextConv::Val(reply)); }

QString setCommand(const QString &boxText)
{
    return QStringLiteral("CORRECTION:ACLIN ") + TextConv::General(TextConv::Val(boxText));
}

} // namespace AcLinearity
