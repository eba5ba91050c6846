#pragma once
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <optional>

// The meter's model type and installed options as the options dialog handles them: the
// options travel as one integer mask of which bits 0 to 20 are shown, one check box each.
namespace InstalledOptions {

inline constexpr int OptionCount = 21;
inline constexpr int ModelCount = 5;

// Caption of the check box of each bit.
const std::array<QString, OptionCount> &optionCaptions();
// The model buttons' captions, top to bottom ("6450", "6445", "6440", "6480", "6475").
const std::array<QString, ModelCount> &modelCaptions();

// Ticks (bit i ticked) <-> mask; bits 21 and above are dropped.
using Ticks = std::array<bool, OptionCount>;
Ticks ticksOf(qint32 mask);
qint32 maskOf(const Ticks &ticks);

// The default mask of a model number (6450, ...); 393216 (Ethernet and GPIB) for any other,
// including 0 (no model selected).
qint32 defaultMask(int model);

// The model button named by an identification reply: the first of "MODEL 6450",
// "MODEL 6445", "MODEL 6440", "MODEL 6480", "MODEL 6475" found anywhere in it, letter case
// ignored; nothing when none is.
std::optional<int> modelIndexIn(const QString &identification);

// The texts of the dependency rules the ticks break, in the order the rules are checked:
// Frequency needs AC Voltage, Shunt and DC Power need Rear Terminals, Electrometer needs
// Resistance. Empty when none is broken.
QStringList brokenDependencies(qint32 mask);

// The options mask of the "SYSTEM:OPTIONS ?" reply: its leading number rounded to a 32-bit
// integer; nothing when it lies beyond 32 bits.
std::optional<qint32> maskFromReply(const QString &reply);

} // namespace InstalledOptions
