#pragma once
#include <QString>

// The meter's range vocabulary: calibration-range numbers 0 to 90 with their names,
// full-scale limits and unit letters, the frequency bands of the AC specifications, the
// AC calibration-point names and the engineering-notation formatter of the database export.
// Pure functions over constant tables; any index outside a table gives its "unused" entry.

// Name shown for a range ("Unused" outside the table and for 55 to 79).
QString GetRangeName(int index);
// Upper full-scale bound when upper is true, else the lower one; 0 beyond range 54.
double GetRangeLimit(int index, bool upper);
// Unit letter "V", "A" or "R" (one blank for range 0); empty beyond range 54.
QString GetRangeUnit(int index);
// Edge name of an AC specification band: upper edge when upper is true, else lower.
// Bands other than 1 to 6 are the lowest band, "1Hz" to "40Hz".
QString GetFrequencyBandLimit(int band, bool upper);
// AC calibration-point names, counted from 1; empty outside the list.
QString GetFreqPointName20(int index);
QString GetFreqPointName25(int index);

// Scales |value| to an engineering prefix (G, M, k, none, m, u, n, p), puts the prefix in
// front of unit, and returns the scaled value in general number format followed by the
// unit. Both arguments are changed in the caller: value becomes the scaled magnitude and
// unit the prefixed unit. A value of 0 gives "0" and leaves the unit alone.
QString FormatEngineering(double &value, QString &unit);
