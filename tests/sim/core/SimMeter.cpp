#include "tests/sim/core/SimMeterCommands.h"

#include <QRegularExpression>
#include <QSet>
#include <charconv>
#include <cmath>

namespace metersim {

QStringList ok() { return {QStringLiteral("*0")}; }
QStringList rejected() { return {QStringLiteral("*9")}; }
QStringList refused() { return {QStringLiteral("*6")}; }
QStringList unknown() { return {QStringLiteral("*1")}; }

// A decimal number as a whole: sign, digits, one ".", exponent. "." alone and "10." count
// (the thermocouple writer formats 0 as "." and 10 as "10."). A number beyond the range
// of a double is malformed.
bool parseNumber(const QString &text, double &value)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d*)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed();
    if (!pattern.match(t).hasMatch())
        return false;
    const QByteArray bytes = t.toLatin1();
    const char *first = bytes.constData();
    const char *const last = first + bytes.size();
    const bool negative = *first == '-';
    if (*first == '+' || *first == '-')
        ++first;
    if (last - first == 1 && *first == '.') {
        value = 0.0;
        return true;
    }
    double magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(magnitude))
        return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

bool parseInt(const QString &text, qint64 &value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok, 10);
    return ok;
}

// The meter's number format: rounded to 15 significant digits, trailing zeros dropped,
// plain while the decimal exponent lies from -5 to 14 ("0.00001", "123.5"), else
// scientific with a signed exponent of at least two digits ("1.5E-06", "2E+15").
// Zero (and minus zero) is "0".
QString number(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    // "d.dddddddddddddde+XX": the 15 significant digits, correctly rounded.
    char buffer[40];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::abs(value),
                                            std::chars_format::scientific, 14);
    const QString text = QString::fromLatin1(buffer, end - buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    QString digits = text.left(1) + text.mid(2, e - 2);
    const int exponent = text.mid(e + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString out;
    if (exponent < -5 || exponent >= 15) {
        out = digits.left(1);
        if (digits.size() > 1)
            out += QLatin1Char('.') + digits.mid(1);
        out += QLatin1String(exponent < 0 ? "E-" : "E+")
            + QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
    } else if (exponent < 0) {
        out = QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else if (digits.size() <= exponent + 1) {
        out = digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
    } else {
        out = digits.left(exponent + 1) + QLatin1Char('.') + digits.mid(exponent + 1);
    }
    return value < 0 ? QLatin1Char('-') + out : out;
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString dateText(const QDate &d)
{
    return twoDigits(d.day()) + QLatin1Char('/') + twoDigits(d.month()) + QLatin1Char('/') + QString::number(d.year());
}

namespace {

// Deterministic noise for the factory tables, so two meters with different serial
// numbers hold different (but repeatable) values.
struct Lcg
{
    quint32 s;
    int between(int lo, int hi)
    {
        s = s * 1664525u + 1013904223u;
        return lo + static_cast<int>((s >> 8) % static_cast<quint32>(hi - lo + 1));
    }
};

quint32 seedFrom(const QString &text)
{
    quint32 h = 2166136261u;
    for (const QChar c : text)
        h = (h ^ c.unicode()) * 16777619u;
    return h;
}

bool isUsedRange(int range) { return range >= 1 && range <= 54; }

// Callendar-Van Dusen (IEC 60751) temperature of a resistance, degrees Celsius.
double cvdTemperature(double r, double r0)
{
    const double a = 3.9083e-3, b = -5.775e-7, c = -4.183e-12;
    const double ratio = r / r0;
    double t = (-a + std::sqrt(a * a - 4 * b * (1 - ratio))) / (2 * b);
    if (ratio >= 1 || !std::isfinite(t))
        return std::isfinite(t) ? t : -273.15;
    for (int i = 0; i < 30; ++i) {
        const double f = 1 + a * t + b * t * t + c * (t - 100) * t * t * t - ratio;
        const double df = a + 2 * b * t + c * (4 * t * t * t - 300 * t * t);
        t -= f / df;
    }
    return std::max(t, -273.15);
}

} // namespace

qint64 defaultOptions(const QString &model)
{
    using namespace Option;
    const auto is = [&model](std::initializer_list<const char *> models) {
        for (const char *m : models)
            if (model == QLatin1String(m))
                return true;
        return false;
    };
    qint64 mask = Ethernet | GPIB;
    if (is({"6450"}))
        mask |= Electrometer | PRT | RearTerminals | Shunt | DCPower | Thermocouple;
    if (is({"6450", "6445", "6440"}))
        mask |= DCCurrent | ACVoltage | ACCurrent | Resistance | Frequency;
    if (is({"6450", "6445", "6480"}))
        mask |= EightDigit | OneOhm;
    return mask;
}

MeterState factoryState(const MeterConfig &config)
{
    MeterState s;
    s.model = config.model;
    s.serial = config.serial;
    s.version = config.version;
    s.acPoints = config.acPoints == 25 ? 25 : 20;
    s.gpibAddress = config.gpibAddress;
    s.options = defaultOptions(config.model);
    s.info = {QStringLiteral("Velkorande Ltd"), QStringLiteral("Service Dept"), QString(),
              QStringLiteral("Unc 1.0 01/01/25"), QStringLiteral("Spec 1.0 01/01/25"), QStringLiteral("Tab 1.0 01/01/25")};

    Lcg lcg{seedFrom(config.serial)};
    s.calFactors.assign(MeterState::Ranges + 1, {});
    s.specs.assign(MeterState::Ranges + 1, {});
    s.uncerts.assign(MeterState::Ranges + 1, {});
    for (int r = 1; r <= MeterState::Ranges; ++r) {
        std::vector<qint32> &points = s.calFactors[r];
        points.assign(s.calPoints(r), 0);
        points[1] = points[2] = 100000000;
        if (isUsedRange(r)) {
            points[0] = lcg.between(-400, 400);
            points[1] += lcg.between(-150000, 150000);
            points[2] += lcg.between(-150000, 150000);
            for (size_t p = 3; p < points.size(); ++p)
                points[p] = lcg.between(-3000, 3000);
        }
        std::vector<double> &spec = s.specs[r];
        std::vector<double> &unc = s.uncerts[r];
        spec.assign(MeterState::specColumns(r), 0.0);
        unc.assign(spec.size(), 0.0);
        if (!isUsedRange(r))
            continue;
        for (size_t k = 0; k < spec.size(); ++k) {
            const int band = static_cast<int>(k / 2);
            const bool reading = k % 2 == 0;
            const double base = MeterState::isAcRange(r) ? (reading ? 60.0 + 25.0 * band * band : 20.0 + 10.0 * band)
                                                        : (reading ? 2.0 + (r % 7) * 1.5 : 0.5 + (r % 5) * 0.3);
            spec[k] = std::round((base + lcg.between(0, 20) / 10.0) * 10) / 10;
            unc[k] = std::round(spec[k] * 4) / 10;
        }
    }
    s.calBackup = s.calFactors;

    s.prt.assign(MeterState::PrtEntries, 0);
    for (int i = 0; i < MeterState::PrtEntries; ++i)
        s.prt[i] = static_cast<qint32>(std::floor(cvdTemperature(i / 10.0, 100.0) * 100000));

    s.history = {{QDate(2024, 5, 12), {1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 15, 16}},
                 {QDate(2025, 6, 3), {1, 2, 3, 4, 5, 17, 18, 19, 20, 21, 22, 33, 34, 35, 36, 37}}};
    for (int r : {1, 2, 3, 4, 5, 33, 34, 35, 36, 37})
        s.tempCoeffs[r] = r <= 5 ? 0.5 * r : 1.5;
    return s;
}

SimMeter::SimMeter(const MeterConfig &config) : m_state(factoryState(config)), m_noise(seedFrom(config.serial)) {}

void SimMeter::setWireTime(bool on, int baud)
{
    QMutexLocker lock(&m_mutex);
    m_wireTime = on;
    m_baud = std::max(baud, 1);
}

void SimMeter::setReplyDelayMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_replyDelayMs = std::max(ms, 0);
}

void SimMeter::setPartialGapMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_partialGapMs = std::max(ms, 0);
}

void SimMeter::setRebootMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_rebootMs = std::max(ms, 0);
}

void SimMeter::setLateMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_lateMs = std::max(ms, 0);
}

void SimMeter::setEraseMs(int ms)
{
    QMutexLocker lock(&m_mutex);
    m_eraseMs = std::max(ms, 0);
}

void SimMeter::addFault(Fault fault, const QString &commandPrefix, int times)
{
    QMutexLocker lock(&m_mutex);
    m_rules.push_back({fault, commandPrefix, times});
}

void SimMeter::clearFaults()
{
    QMutexLocker lock(&m_mutex);
    m_rules.clear();
    m_foreignIdentity = false;
}

void SimMeter::setForeignIdentity(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_foreignIdentity = on;
}

QList<TranscriptEntry> SimMeter::transcript() const
{
    QMutexLocker lock(&m_mutex);
    return m_transcript;
}

QStringList SimMeter::commands() const
{
    QMutexLocker lock(&m_mutex);
    QStringList list;
    for (const TranscriptEntry &e : m_transcript)
        list << e.command;
    return list;
}

void SimMeter::clearTranscript()
{
    QMutexLocker lock(&m_mutex);
    m_transcript.clear();
}

void SimMeter::setObserver(std::function<void(const TranscriptEntry &)> observer)
{
    QMutexLocker lock(&m_mutex);
    m_observer = std::move(observer);
}

MeterState SimMeter::state() const
{
    QMutexLocker lock(&m_mutex);
    return m_state;
}

void SimMeter::editState(const std::function<void(MeterState &)> &edit)
{
    QMutexLocker lock(&m_mutex);
    edit(m_state);
}

Mode SimMeter::mode() const
{
    QMutexLocker lock(&m_mutex);
    return m_state.mode;
}

QString SimMeter::identity() const
{
    QMutexLocker lock(&m_mutex);
    return identityText();
}

QString SimMeter::identityText() const
{
    if (m_foreignIdentity)
        return QStringLiteral("Tarnowelk Instruments,Model 2010,") + m_state.serial + QStringLiteral(",1.07");
    return QStringLiteral("Velkorande,Model ") + m_state.model + QLatin1Char(',') + m_state.serial + QLatin1Char(',') +
           m_state.version;
}

double SimMeter::byteMs() const { return m_wireTime ? 10000.0 / m_baud : 0.0; }

QList<Emission> SimMeter::receive(const QByteArray &bytes, qint64 nowMs, const QDateTime &wallNow)
{
    QList<Emission> out;
    QList<TranscriptEntry> entries;
    {
        QMutexLocker lock(&m_mutex);
        const double byteTime = byteMs();
        double t = std::max<double>(static_cast<double>(nowMs), m_rxFreeAt);
        for (const char c : bytes) {
            t += byteTime;
            if (c == '\r' || c == '\n') {
                if (!m_rx.isEmpty())
                    handleLine(std::exchange(m_rx, {}), t, nowMs, wallNow, byteTime, out, entries);
            } else if (m_rx.size() < 4096) {
                m_rx += c;
            }
        }
        m_rxFreeAt = t;
    }
    notify(entries);
    return out;
}

QList<Emission> SimMeter::receiveMessage(const QByteArray &message, qint64 nowMs, const QDateTime &wallNow)
{
    QList<Emission> out;
    QList<TranscriptEntry> entries;
    QByteArray line = message;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (!line.isEmpty()) {
        QMutexLocker lock(&m_mutex);
        handleLine(line, static_cast<double>(nowMs), nowMs, wallNow, 0.0, out, entries);
    }
    notify(entries);
    return out;
}

void SimMeter::notify(const QList<TranscriptEntry> &entries)
{
    std::function<void(const TranscriptEntry &)> observer;
    {
        QMutexLocker lock(&m_mutex);
        observer = m_observer;
    }
    if (observer)
        for (const TranscriptEntry &e : entries)
            observer(e);
}

bool SimMeter::takeFault(Fault fault, const QString &command)
{
    for (Rule &rule : m_rules) {
        if (rule.fault != fault || rule.remaining == 0 || !command.startsWith(rule.prefix))
            continue;
        if (rule.remaining > 0)
            --rule.remaining;
        return true;
    }
    return false;
}

void SimMeter::handleLine(const QByteArray &line, double doneAt, qint64 nowMs, const QDateTime &wallNow,
                          double byteTime, QList<Emission> &out, QList<TranscriptEntry> &entries)
{
    const QString command = QString::fromLatin1(line);
    TranscriptEntry entry{static_cast<qint64>(std::ceil(doneAt)), command, {}};
    const bool deaf = doneAt < m_deafUntil;
    if (deaf || takeFault(Fault::Silence, command)) {
        m_transcript.push_back(entry);
        entries.push_back(entry);
        return;
    }

    const QDateTime wall = wallNow.addMSecs(static_cast<qint64>(doneAt) - nowMs);
    Result result;
    if (takeFault(Fault::Refuse, command))
        result.lines = refused();
    else if (takeFault(Fault::Reject, command))
        result.lines = rejected();
    else
        result = execute(command, wall);

    QList<QByteArray> pieces;
    if (takeFault(Fault::Echo, command))
        pieces << line + "\r\n";
    if (takeFault(Fault::Garbage, command)) {
        QByteArray noise;
        for (int i = 0; i < 7; ++i) {
            m_noise = m_noise * 1103515245u + 12345u;
            char c = static_cast<char>(0x80 | ((m_noise >> 16) & 0x7F)); // high bytes only: never CR, LF or "*"
            noise += c;
        }
        pieces << noise;
    }
    for (const QString &l : std::as_const(result.lines))
        pieces << l.toLatin1() + "\r\n";

    const bool partial = takeFault(Fault::PartialLine, command);
    const bool cut = takeFault(Fault::Disconnect, command);
    const int lateMs = takeFault(Fault::Late, command) ? m_lateMs : 0;
    qint64 total = 0;
    for (const QByteArray &p : std::as_const(pieces))
        total += p.size();
    const qint64 cutAt = cut ? total / 2 : total;

    auto emitAt = [&out](double t, const QByteArray &bytes) {
        out.push_back({static_cast<qint64>(std::ceil(t - 1e-9)), bytes, false, t});
    };
    double t = std::max(doneAt + m_replyDelayMs + result.busyMs + lateMs, m_txFreeAt);
    QByteArray sent;
    for (const QByteArray &piece : std::as_const(pieces)) {
        const QByteArray bytes = piece.left(static_cast<int>(cutAt - sent.size()));
        if (bytes.isEmpty())
            break;
        if (partial && bytes.size() > 1) {
            const int half = static_cast<int>(bytes.size() / 2);
            t += half * byteTime;
            emitAt(t, bytes.left(half));
            t += m_partialGapMs + (bytes.size() - half) * byteTime;
            emitAt(t, bytes.mid(half));
        } else {
            t += bytes.size() * byteTime;
            emitAt(t, bytes);
        }
        sent += bytes;
    }
    if (cut)
        out.push_back({static_cast<qint64>(std::ceil(t)), {}, true, t});
    m_txFreeAt = t;
    if (result.deafMs > 0)
        m_deafUntil = t + result.deafMs;

    entry.reply = QString::fromLatin1(sent);
    m_transcript.push_back(entry);
    entries.push_back(entry);
}

QDateTime SimMeter::meterTime(const QDateTime &wall) const { return wall.addMSecs(m_state.clockOffsetMs); }

bool SimMeter::Commands::matches(const Entry &entry, const QString &command)
{
    const QLatin1String text(entry.text);
    switch (entry.match) {
    case Match::Whole:
        return command == text;
    case Match::Prefix:
        return command.startsWith(text);
    case Match::PrefixThenDigit:
        return command.startsWith(text) && command.size() > text.size() && command[text.size()].isDigit();
    }
    return false;
}

bool SimMeter::Commands::allowed(Needs needs, Mode mode)
{
    switch (needs) {
    case Needs::Nothing:
        return true;
    case Needs::Service:
        return mode == Mode::Service;
    case Needs::Calibration:
        return mode == Mode::Calibration;
    case Needs::EitherMode:
        return mode != Mode::Normal;
    }
    return false;
}

// The one command table, grouped by command family; each group's handlers are in the file
// its heading names. The order matters only where one entry's text begins another's.
const SimMeter::Commands::Entry SimMeter::Commands::table[] = {
    // The bracket: SimMeterBracket.cpp.
    {"k5820637", Match::Whole, Needs::Nothing, enterService},
    {"k", Match::Prefix, Needs::Nothing, wrongAccessCode},
    {"CALIBRATE:PASSWORD", Match::Prefix, Needs::Nothing, enterCalibration},
    {"a1", Match::Whole, Needs::Nothing, closeBracket},
    {"K", Match::Prefix, Needs::Service, setPassword},
    // Identity, options and information lines: SimMeterIdentity.cpp.
    {"*IDN?", Match::Whole, Needs::Nothing, identity},
    {"v", Match::Whole, Needs::Nothing, information},
    {"q", Match::Whole, Needs::Nothing, serialNumber},
    {"q", Match::Prefix, Needs::Service, setSerialNumber},
    {"model ", Match::Prefix, Needs::Service, setModel},
    {"SYSTEM:OPTIONS ?", Match::Whole, Needs::Nothing, options},
    {"SYSTEM:OPTIONS ", Match::Prefix, Needs::Service, setOptions},
    {"&", Match::Prefix, Needs::EitherMode, writeInformationLine},
    // Calibration factors and the calibration history: SimMeterCalFactors.cpp.
    {"pa", Match::Whole, Needs::Nothing, calFactors},
    {"Ww", Match::Prefix, Needs::EitherMode, writeCalFactor},
    {"CB", Match::Whole, Needs::Calibration, calFactorStore},
    {"CR", Match::Whole, Needs::Calibration, calFactorStore},
    {"CC", Match::Whole, Needs::EitherMode, calFactorStore},
    {"CALIBRATE:HISTORY", Match::Whole, Needs::Nothing, history},
    // Specifications and imported uncertainties: SimMeterSpecs.cpp.
    {"ps", Match::Whole, Needs::Nothing, specTable},
    {"pi", Match::Whole, Needs::Nothing, specTable},
    {"Ws", Match::Prefix, Needs::Calibration, writeSpecCell},
    {"Wi", Match::Prefix, Needs::Calibration, writeSpecCell},
    {"WS", Match::Whole, Needs::Service, clearSpecTable},
    {"WI", Match::Whole, Needs::Service, clearSpecTable},
    // The PRT and thermocouple tables: SimMeterTemperatureTables.cpp.
    {"pt", Match::Whole, Needs::Nothing, prtTable},
    {"Wt", Match::Prefix, Needs::Service, writePrtEntry},
    {"Wc", Match::Prefix, Needs::Service, writeThermocouplePoint},
    // Clock, display, temperature compensation, AC linearity: SimMeterSettings.cpp.
    {"a", Match::Whole, Needs::Nothing, clock},
    {"A", Match::PrefixThenDigit, Needs::Service, setClock},
    {"B1", Match::Prefix, Needs::Nothing, brightness},
    {"B2", Match::Prefix, Needs::Nothing, brightness},
    {"TEMP?", Match::Whole, Needs::Nothing, internalTemperature},
    {"R", Match::PrefixThenDigit, Needs::Nothing, selectRange},
    {"TEMPCOMP:COEFF ?", Match::Whole, Needs::Nothing, tempCoefficient},
    {"TEMPCOMP:COEFF ", Match::Prefix, Needs::Nothing, setTempCoefficient},
    {"TEMPCOMP:AMBIENT ?", Match::Whole, Needs::Nothing, ambient},
    {"TEMPCOMP:AMBIENT ", Match::Prefix, Needs::Nothing, setAmbient},
    {"CORRECTION:ACLIN ?", Match::Whole, Needs::Nothing, acLinearity},
    {"CORRECTION:ACLIN ", Match::Prefix, Needs::Nothing, setAcLinearity},
    {"OPTDEFAULT", Match::Whole, Needs::Service, defaultUserOptions},
    // Measuring, GPIB address, reboot, local operation, full erase: SimMeterControl.cpp.
    {"CONF:", Match::Prefix, Needs::Nothing, configure},
    {"READ?", Match::Whole, Needs::Nothing, reading},
    {"SYST:COMM:GPIB:ADDR ", Match::Prefix, Needs::Nothing, setGpibAddress},
    {"SYSTEM:REBOOT", Match::Whole, Needs::Nothing, reboot},
    {"L", Match::Whole, Needs::Nothing, local},
    {"WXerase", Match::Whole, Needs::Service, eraseAll},
};

SimMeter::Result SimMeter::execute(const QString &command, const QDateTime &wall)
{
    for (const Commands::Entry &entry : Commands::table) {
        if (!Commands::matches(entry, command))
            continue;
        if (!Commands::allowed(entry.needs, m_state.mode))
            return {refused()};
        return entry.handler(*this, command, wall);
    }
    return {unknown()};
}

} // namespace metersim
