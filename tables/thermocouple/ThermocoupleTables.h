#pragma once
#include <QDate>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <span>
#include <vector>

// The meter's thermocouple tables: for each standard type a grid of EMF values (microvolts)
// and the NIST ITS-90 inverse polynomials (EMF in mV -> temperature in degrees C) that
// turn each grid EMF into its temperature, plus the text of the "Wc" point command and
// the limits every point must meet, shared by the formula and the text-file writers.
namespace Thermocouple {

// One inverse polynomial and the grid EMFs it serves: from firstEmf up to the point before
// the next segment's firstEmf (or the type's last grid point).
struct Segment
{
    qint32 firstEmf;           // microvolts
    double rangeLowC;          // the published temperature range of the polynomial,
    double rangeHighC;         // which identifies its coefficient set
    std::vector<double> d;     // d0 .. dn, as published
};

struct TypeTable
{
    QChar letter;
    qint32 lastEmf;            // microvolts, the last grid point
    qint32 step;               // microvolts between grid points
    std::vector<Segment> segments;

    qint32 firstEmf() const { return segments.front().firstEmf; }
    // Number of grid points, first to last inclusive; read by the tests only.
    int pointCount() const { return (lastEmf - firstEmf()) / step + 1; }
    // The segment whose polynomial serves the grid EMF E: the last one starting at or below E.
    const Segment &segmentFor(qint32 E) const;
};

// The eight types in the order they are written: B, E, J, K, N, R, S, T.
const std::vector<TypeTable> &tables();
// The table of a type letter, or nullptr.
const TypeTable *tableFor(QChar letter);

// T = c(0) + sum of c(i) * x^i for the non-zero c(i), i >= 1, with x = E / 1000 (mV).
double Evaluate_Polynomial(qint32 E, std::span<const double> c);
// The temperature of a grid EMF from its segment's polynomial.
double temperatureAt(const TypeTable &table, qint32 E);

// A point the meter accepts: -8000 <= E <= 80000 microvolts, a type in "BEJKNRST",
// -273 <= T <= 2000 degrees C. Others are skipped without a message.
bool withinLimits(qint32 E, const QString &type, double T);

// "Wc" & type & " " & E & "," & temperature text, e.g. "WcK 250,6.27".
QString pointCommand(const QString &type, qint32 E, const QString &temperatureText);
// The formula writer's temperature text: "######.##" (0 gives ".", 0.5 gives ".5").
QString formulaTemperatureText(double T);
// The status line shown while a point is written: "Writing Type K EMF 250".
QString writingStatus(const QString &type, qint32 E);
// The information line of slot 06 stamped after a formula run: "&06Tab 1.0 dd/mm/yy".
QString informationLine(const QDate &date);

// --- text files of EMF-temperature pairs ---

struct FilePoint
{
    qint32 E;  // microvolts
    double T;  // degrees C
};

// A line "E,T": E is the number before the first comma rounded to an integer (halves to
// even), T the number after it; both read as leading numbers (0 when none). Nothing for a
// line without a comma or an EMF beyond the 32-bit range.
std::optional<FilePoint> parsePairLine(const QString &line);

// The type letter a file name stands for: the first non-blank character after the first
// "Type" in the name, in upper case. A name with "type" only in another letter case uses
// its first such occurrence; a name with no "type" at all gives the empty text.
QString typeLetterFromFileName(const QString &fileName);

} // namespace Thermocouple
