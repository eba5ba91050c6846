#pragma once
#include "link/MeterOperation.h"
#include "tables/grid/FlexGrid.h"
#include "widgets/ColourValue.h"

// The states of a table cell, kept as its background colour (&HBBGGRR). The table editors
// decide what to write by these colours, so they are compared exactly. A cell the meter
// accepted takes the grid's own BackColor, which is not a constant here.
namespace CellColour {
// Changed in the editor or read from a file, not yet written. Only cells of exactly this
// colour are written to the meter.
inline constexpr ColourValue Pending = 0xFAE6C8;
// Set just before the write command is sent (specifications and uncertainties only).
inline constexpr ColourValue BeingWritten = 0x00FF00;
// A PRT cell the meter accepted: that editor marks what it wrote instead of giving the
// cell back the grid's own colour.
inline constexpr ColourValue Written = 0x00FF00;
// The meter answered "*9", or the value was refused before sending.
inline constexpr ColourValue Rejected = 0x0000FF;
// Any other reply: time-out, busy, empty, another status token.
inline constexpr ColourValue Failed = 0xFF0000;
// The grid's background until an editor sets another.
inline constexpr ColourValue DefaultGridBack = 0xFFFFFF;
} // namespace CellColour

// Colours a cell just written by the meter's reply: `accepted` when it was carried out,
// Rejected for "*9", Failed for anything else; a password request leaves the cell as it is.
inline void colourByReply(FlexGrid &grid, int row, int col, ReplyStatus status, ColourValue accepted)
{
    switch (status) {
    case ReplyStatus::Done:
        grid.setCellBackColorAt(row, col, accepted);
        break;
    case ReplyStatus::Rejected:
        grid.setCellBackColorAt(row, col, CellColour::Rejected);
        break;
    case ReplyStatus::PasswordNeeded:
        break;
    case ReplyStatus::Other:
        grid.setCellBackColorAt(row, col, CellColour::Failed);
        break;
    }
}
