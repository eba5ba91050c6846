#pragma once
#include "tests/sim/core/SimMeter.h"

// What the simulated meter's source files share to answer commands: the status tokens, the
// meter's own number rules, and the command table (SimMeter.cpp) with its handlers, one
// source file per command family.
namespace metersim {

QStringList ok();       // "*0"
QStringList rejected(); // "*9"
QStringList refused();  // "*6"
QStringList unknown();  // "*1"

// Numbers are read and written by the meter's own small rules (SimMeter.cpp), never by the
// program's conversions: a fault there must not hide on both sides of a test.
bool parseNumber(const QString &text, double &value);
bool parseInt(const QString &text, qint64 &value);
QString number(double value);
QString twoDigits(int n);
QString dateText(const QDate &date); // dd/mm/yyyy

// The command table. A command line is matched against the entries in table order, and the
// first entry that matches runs: a command that needs a bracket the meter is not in is
// refused ("*6") before its arguments are looked at; a line that no entry matches is unknown
// ("*1"). Where one entry's text begins another's, the longer or whole one stands first
// ("SYSTEM:OPTIONS ?" before "SYSTEM:OPTIONS ").
struct SimMeter::Commands
{
    enum class Match {
        Whole,           // the line is the text
        Prefix,          // the line begins with the text
        PrefixThenDigit, // the line begins with the text and a digit ("R3", "A0712...")
    };
    enum class Needs { Nothing, Service, Calibration, EitherMode };
    using Handler = Result (*)(SimMeter &meter, const QString &command, const QDateTime &wall);
    struct Entry
    {
        const char *text;
        Match match;
        Needs needs;
        Handler handler;
    };
    static const Entry table[];

    static bool matches(const Entry &entry, const QString &command);
    static bool allowed(Needs needs, Mode mode);
    static Result valueThenOk(const QString &value) { return {{value, QStringLiteral("*0")}}; }

    // SimMeterBracket.cpp
    static Result enterService(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result wrongAccessCode(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result enterCalibration(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result closeBracket(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setPassword(SimMeter &m, const QString &cmd, const QDateTime &wall);
    // SimMeterIdentity.cpp
    static Result identity(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result information(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result serialNumber(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setSerialNumber(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setModel(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result options(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setOptions(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result writeInformationLine(SimMeter &m, const QString &cmd, const QDateTime &wall);
    // SimMeterCalFactors.cpp
    static Result calFactors(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result writeCalFactor(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result calFactorStore(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result history(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static void resetCalFactors(MeterState &s); // also the full erase's
    // SimMeterSpecs.cpp
    static Result specTable(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result writeSpecCell(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result clearSpecTable(SimMeter &m, const QString &cmd, const QDateTime &wall);
    // SimMeterTemperatureTables.cpp
    static Result prtTable(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result writePrtEntry(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result writeThermocouplePoint(SimMeter &m, const QString &cmd, const QDateTime &wall);
    // SimMeterSettings.cpp
    static Result clock(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setClock(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result brightness(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result internalTemperature(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result selectRange(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result tempCoefficient(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setTempCoefficient(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result ambient(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setAmbient(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result acLinearity(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setAcLinearity(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result defaultUserOptions(SimMeter &m, const QString &cmd, const QDateTime &wall);
    // SimMeterControl.cpp
    static Result configure(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result reading(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result setGpibAddress(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result reboot(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result local(SimMeter &m, const QString &cmd, const QDateTime &wall);
    static Result eraseAll(SimMeter &m, const QString &cmd, const QDateTime &wall);
};

} // namespace metersim
