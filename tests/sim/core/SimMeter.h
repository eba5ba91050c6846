#pragma once
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <map>
#include <vector>

// A simulated 6400-series meter: bytes in, bytes out, with timing. It keeps the state a
// real meter keeps (identity, information slots, calibration factors with their backup,
// specifications, imported uncertainties, the PRT table, thermocouple points, options,
// clock, display, temperature compensation, AC linearity, calibration history) and
// answers every command of the setup utility. Transports (tests/sim/core/MeterLink.h,
// SimServer.h) feed it bytes and deliver its timed output.
//
// The meter's own choices, for readers of its replies:
// - Lines it sends end with CR LF. Commands end with CR (LF or CR LF work too); an empty
//   line (the RS232 wake-up CR) is ignored without a reply.
// - Status tokens: "*0" done, "*6" the command needs a setup-mode bracket that is not
//   open (or a wrong password / access code), "*9" a value or index out of range or
//   malformed, "*1" an unknown command.
// - Numbers in commands: decimal, with optional sign, "." and exponent ("10." and "."
//   count); anything else, or beyond a double's range, is "*9". Numbers in replies
//   (specifications, coefficients): rounded to 15 significant digits, trailing zeros
//   dropped, plain from 1E-05 up to 15 integer digits ("0.5", "120"), else "1.5E-06".
// - Commands are matched in a fixed order (the command table in SimMeter.cpp, which names
//   the file of each command family's handlers); one that needs a bracket that is not open
//   is "*6" whatever its arguments.
// - Single-line queries answer one line and no token: "*IDN?", "SYSTEM:OPTIONS ?",
//   "TEMP?", "READ?". Every other command ends its reply with a token.
// - "*IDN?": "Velkorande,Model <model>,<serial>,<version>", e.g.
//   "Velkorande,Model 6450,64500123,2.31".
// - "v": "Model <model>", "Version <version>", "Serial <serial>", "Options <mask>", then
//   the texts of slots 01 to 06 (one line each, empty when empty), then "*0".
// - "pa": one line per range 1 to 70, "Range <n>, <zero>, <positive>, <negative>" followed
//   on AC ranges (17 to 29) by ", <value>" for each AC point; then "*0".
// - "ps" / "pi": one line per range 1 to 70, "R<nn> <label>,<v0>,<v1>[,...<v13>]" (2 values
//   on DC and resistance ranges, 14 on AC ranges), labels with byte 244 for the ohm sign
//   and byte 228 for the micro sign; then "*0".
// - "pt": 350 lines "<r>R,<v0>,...,<v9>" (entries r*10 to r*10+9); then "*0".
// - "a": "dd/mm/yyyy hh:mm:ss" then "*0". "CALIBRATE:HISTORY": per event a line
//   "DATE dd/mm/yyyy" and a line "RANGE n,n,..." (ranges 1 to 63), then "*0". A bracket
//   in which "Ww" wrote a range adds an event when "a1" closes it.
// - Brackets: "k5820637" opens service mode, "CALIBRATE:PASSWORD <password>" (6182 until
//   "K" changes it) opens calibration mode, "a1" closes either (and answers "*0" always).
//   Calibration mode only: "Ws", "Wi", "CB", "CR". Either mode: "Ww", "CC", "&". Service
//   mode only: "WS", "WI", "Wt", "Wc", "A<date>", "K", "q<serial>", "model ",
//   "SYSTEM:OPTIONS <mask>" (0 to 2097151, the bits of Option), "OPTDEFAULT", "WXerase".
//   Everything else needs no bracket.
namespace metersim {

enum class Fault {
    Silence,     // the command is lost: no effect, no reply
    Echo,        // the command and CR LF come back before the reply
    Garbage,     // a burst of noise bytes (never CR, LF or "*") before the reply
    PartialLine, // every reply line arrives in two pieces, partialGapMs apart
    Disconnect,  // half the reply, then the link drops
    Reject,      // "*9" in place of the reply; the command has no effect
    Refuse,      // "*6" in place of the reply; the command has no effect
    Late,        // the reply comes the late time (setLateMs) later; later replies queue behind it
};

enum class Mode { Normal, Service, Calibration };

// The installed options, one bit each in the options mask ("SYSTEM:OPTIONS", "Options" in
// the "v" reply). A mask holds bits 0 to 20.
namespace Option {
constexpr qint64 ByModel = 1 << 0; // version 1.x: the model decides, overriding the rest
constexpr qint64 Thermocouple = 1 << 1;
constexpr qint64 PRT = 1 << 2;
constexpr qint64 Electrometer = 1 << 3;
constexpr qint64 Phase = 1 << 4;
constexpr qint64 Pressure = 1 << 5;
constexpr qint64 Shunt = 1 << 6;
constexpr qint64 DCPower = 1 << 7;
constexpr qint64 EightDigit = 1 << 8;
constexpr qint64 OneOhm = 1 << 9;
constexpr qint64 RearTerminals = 1 << 10;
constexpr qint64 ExtFreqRef = 1 << 11;
constexpr qint64 DCCurrent = 1 << 12;
constexpr qint64 ACVoltage = 1 << 13;
constexpr qint64 ACCurrent = 1 << 14;
constexpr qint64 Resistance = 1 << 15;
constexpr qint64 Frequency = 1 << 16;
constexpr qint64 Ethernet = 1 << 17;
constexpr qint64 GPIB = 1 << 18;
constexpr qint64 AC3Ranges = 1 << 19;
constexpr qint64 Capacitance = 1 << 20;
constexpr qint64 All = (1 << 21) - 1; // the largest mask "SYSTEM:OPTIONS" accepts
} // namespace Option

struct TranscriptEntry
{
    qint64 atMs = 0; // when the command's last byte arrived, on the link's timeline
    QString command; // as received, without its line end
    QString reply;   // what went back, line ends included; empty when nothing did
};

// Bytes that have fully arrived at the program at atMs (on the link's timeline).
struct Emission
{
    qint64 atMs = 0;
    QByteArray bytes;
    bool disconnect = false; // the link drops after these bytes
    double exactMs = 0;      // atMs before it was rounded up to the millisecond
};

struct MeterConfig
{
    QString model = QStringLiteral("6450");
    QString serial = QStringLiteral("64500123");
    QString version = QStringLiteral("2.31");
    int acPoints = 20; // AC calibration points per AC range: 20, or 25 on later firmware
    int gpibAddress = 15;
};

struct CalEvent
{
    QDate date;
    QList<int> ranges;
};

// Everything the meter remembers. Tables are indexed by range number (index 0 unused).
struct MeterState
{
    static constexpr int Ranges = 70;
    static constexpr int PrtEntries = 3500;
    static constexpr int SpecColumns = 14;

    QString model, serial, version;
    int acPoints = 20;
    qint64 options = 0;
    std::array<QString, 6> info; // slots 01 to 06 at [0] to [5]
    std::vector<std::vector<qint32>> calFactors, calBackup;
    std::vector<std::vector<double>> specs, uncerts;
    std::vector<qint32> prt;
    std::map<QChar, std::map<int, double>> thermocouples; // type -> microvolts -> degrees
    QList<CalEvent> history;
    QString calPassword = QStringLiteral("6182");
    int gpibAddress = 15;
    int brightness1 = 12, brightness2 = 12;
    int selectedRange = 3;
    std::map<int, double> tempCoeffs; // ppm/degree by range; absent = 0
    double ambient = 20.0, internalTemp = 23.4, acLinearity = 0.0;
    QString confFunction = QStringLiteral("VOLTAGE:DC");
    double confValue = 10.0;
    qint64 clockOffsetMs = 0; // meter clock minus PC clock
    Mode mode = Mode::Normal;

    static bool isAcRange(int range) { return range >= 17 && range <= 29; }
    int calPoints(int range) const { return isAcRange(range) ? 3 + acPoints : 3; }
    static int specColumns(int range) { return isAcRange(range) ? SpecColumns : 2; }
};

// The factory state of a meter: plausible tables derived from the serial number.
MeterState factoryState(const MeterConfig &config);
// Default options mask of a model.
qint64 defaultOptions(const QString &model);

class SimMeter
{
public:
    explicit SimMeter(const MeterConfig &config = {});

    // A byte stream from the program (RS232, USB, the Ethernet module's serial side):
    // commands end with CR or LF. nowMs and wallNow give the moment the bytes start to
    // arrive. Returns what goes back and when.
    QList<Emission> receive(const QByteArray &bytes, qint64 nowMs, const QDateTime &wallNow);
    // One whole message (GPIB: the end marker closes it); a trailing CR/LF is dropped.
    // Bus transfers take no wire time.
    QList<Emission> receiveMessage(const QByteArray &message, qint64 nowMs, const QDateTime &wallNow);

    // Timing. Wire time models the serial line at the given baud (10 bits per byte) for
    // commands coming in and replies going out; the reply delay is the meter's thinking
    // time before the first reply byte.
    void setWireTime(bool on, int baud = 9600);
    void setReplyDelayMs(int ms);
    void setPartialGapMs(int ms);
    // How much later than usual a Late fault's reply comes.
    void setLateMs(int ms);
    // How long "SYSTEM:REBOOT" and "WXerase" leave the meter deaf.
    void setRebootMs(int ms);
    void setEraseMs(int ms);

    // Faults: each rule applies to commands that begin with the prefix (every command when
    // empty), for the given number of matching commands (-1: always). clearFaults also
    // switches the foreign identification off.
    void addFault(Fault fault, const QString &commandPrefix = {}, int times = -1);
    void clearFaults();
    // Answers "*IDN?" with another maker's identification.
    void setForeignIdentity(bool on);

    // The transcript of every non-empty command line received.
    QList<TranscriptEntry> transcript() const;
    QStringList commands() const;
    void clearTranscript();
    // Called (outside the meter's lock, on the thread feeding the meter) for every entry.
    void setObserver(std::function<void(const TranscriptEntry &)> observer);

    MeterState state() const;
    void editState(const std::function<void(MeterState &)> &edit);
    Mode mode() const;
    QString identity() const;

private:
    struct Result
    {
        QStringList lines;
        int busyMs = 0; // extra processing time before the reply
        int deafMs = 0; // after the reply the meter ignores everything for this long
    };
    struct Rule
    {
        Fault fault;
        QString prefix;
        int remaining;
    };

    double byteMs() const;
    void handleLine(const QByteArray &line, double doneAt, qint64 nowMs, const QDateTime &wallNow, double byteTime,
                    QList<Emission> &out, QList<TranscriptEntry> &entries);
    bool takeFault(Fault fault, const QString &command);
    // Runs one command line through the command table (SimMeter.cpp).
    Result execute(const QString &command, const QDateTime &wall);
    struct Commands; // the command table and its handlers (SimMeterCommands.h)
    QString identityText() const;
    QDateTime meterTime(const QDateTime &wall) const;
    void notify(const QList<TranscriptEntry> &entries);

    mutable QMutex m_mutex;
    MeterState m_state;
    std::vector<Rule> m_rules;
    QList<TranscriptEntry> m_transcript;
    std::function<void(const TranscriptEntry &)> m_observer;
    QByteArray m_rx;
    double m_rxFreeAt = 0, m_txFreeAt = 0, m_deafUntil = -1;
    int m_baud = 9600;
    bool m_wireTime = true;
    int m_replyDelayMs = 0, m_partialGapMs = 120, m_lateMs = 14500, m_rebootMs = 4000, m_eraseMs = 15000;
    bool m_foreignIdentity = false;
    QList<int> m_rangesWrittenInBracket;
    quint32 m_noise = 12345;
};

} // namespace metersim
