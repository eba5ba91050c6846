#include "tests/sim/core/SimMeter.h"

#include <QRegularExpression>
#include <QSet>
#include <charconv>
#include <cmath>

namespace metersim {

namespace {

constexpr int HistoryRangeLimit = 63; // the history records ranges 1 to 63

QStringList ok() { return {QStringLiteral("*0")}; }
QStringList rejected() { return {QStringLiteral("*9")}; }
QStringList refused() { return {QStringLiteral("*6")}; }
QStringList unknown() { return {QStringLiteral("*1")}; }

// Numbers are read and written by the meter's own small rules below, never by the
// program's conversions: a fault there must not hide on both sides of a test.

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

// Table labels in the meter's own style; \xF4 is its ohm sign and \xE4 its micro sign.
QString rangeLabel(int range)
{
    static const char *const labels[] = {
        "", "100mV DC", "1V DC", "10V DC", "100V DC", "1kV DC", "10nA DC", "100nA DC", "1\xE4" "A DC",
        "10\xE4" "A DC", "100\xE4" "A DC", "1mA DC", "10mA DC", "100mA DC", "1A DC", "10A DC", "30A DC",
        "10mV AC", "100mV AC", "1V AC", "10V AC", "100V AC", "1kV AC", "100\xE4" "A AC", "1mA AC",
        "10mA AC", "100mA AC", "1A AC", "10A AC", "30A AC", "1\xF4 4W LV", "10\xF4 4W LV", "100\xF4 4W LV",
        "1\xF4 4W", "10\xF4 4W", "100\xF4 4W", "1k\xF4 4W", "10k\xF4 4W", "100\xF4 4W LI", "1k\xF4 4W LI",
        "10k\xF4 4W LI", "100k\xF4 4W", "1M\xF4 4W", "10M\xF4 4W", "1\xF4 2W", "10\xF4 2W", "100\xF4 2W",
        "1k\xF4 2W", "10k\xF4 2W", "100\xF4 2W LI", "1k\xF4 2W LI", "10k\xF4 2W LI", "100k\xF4 2W",
        "1M\xF4 2W", "10M\xF4 2W"};
    if (range >= 1 && range < static_cast<int>(std::size(labels)))
        return QString::fromLatin1(labels[range]);
    return QStringLiteral("Unused");
}

bool isUsedRange(int range) { return range >= 1 && range <= 54; }

// Ranges with temperature compensation: DC voltage and resistance.
bool hasTempComp(int range) { return (range >= 1 && range <= 5) || (range >= 30 && range <= 54); }

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

const QStringList &models()
{
    static const QStringList list{QStringLiteral("6450"), QStringLiteral("6445"), QStringLiteral("6440"),
                                  QStringLiteral("6480"), QStringLiteral("6475")};
    return list;
}

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

QString dateText(const QDate &d)
{
    return twoDigits(d.day()) + QLatin1Char('/') + twoDigits(d.month()) + QLatin1Char('/') + QString::number(d.year());
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
    qint64 total = 0;
    for (const QByteArray &p : std::as_const(pieces))
        total += p.size();
    const qint64 cutAt = cut ? total / 2 : total;

    auto emitAt = [&out](double t, const QByteArray &bytes) {
        out.push_back({static_cast<qint64>(std::ceil(t - 1e-9)), bytes, false, t});
    };
    double t = std::max(doneAt + m_replyDelayMs + result.busyMs, m_txFreeAt);
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

// The command table and its handlers. A command line is matched against the entries in
// table order, and the first entry that matches runs: a command that needs a bracket the
// meter is not in is refused ("*6") before its arguments are looked at; a line that no
// entry matches is unknown ("*1"). Where one entry's text begins another's, the longer
// or whole one stands first ("SYSTEM:OPTIONS ?" before "SYSTEM:OPTIONS ").
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

    static bool matches(const Entry &entry, const QString &command)
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

    static bool allowed(Needs needs, Mode mode)
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

    static Result valueThenOk(const QString &value) { return {{value, QStringLiteral("*0")}}; }
    static void resetCalFactors(MeterState &s)
    {
        for (auto &row : s.calFactors)
            for (size_t p = 0; p < row.size(); ++p)
                row[p] = (p == 1 || p == 2) ? 100000000 : 0;
    }

    // --- the bracket ---
    static Result enterService(SimMeter &m, const QString &, const QDateTime &)
    {
        m.m_state.mode = Mode::Service;
        return {ok()};
    }
    static Result wrongAccessCode(SimMeter &, const QString &, const QDateTime &) { return {refused()}; }
    static Result enterCalibration(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        if (cmd.startsWith(QLatin1String("CALIBRATE:PASSWORD ")) && cmd.mid(19).trimmed() == m.m_state.calPassword) {
            m.m_state.mode = Mode::Calibration;
            return {ok()};
        }
        return {refused()};
    }
    // Closes either bracket. A bracket in which "Ww" wrote ranges adds a history event.
    static Result closeBracket(SimMeter &m, const QString &, const QDateTime &wall)
    {
        MeterState &s = m.m_state;
        if (!m.m_rangesWrittenInBracket.isEmpty()) {
            QList<int> ranges;
            for (int r : std::as_const(m.m_rangesWrittenInBracket))
                if (r <= HistoryRangeLimit && !ranges.contains(r))
                    ranges << r;
            std::sort(ranges.begin(), ranges.end());
            s.history.push_back({m.meterTime(wall).date(), ranges});
            m.m_rangesWrittenInBracket.clear();
        }
        s.mode = Mode::Normal;
        return {ok()};
    }

    // --- queries ---
    static Result identity(SimMeter &m, const QString &, const QDateTime &) { return {{m.identityText()}}; }
    static Result information(SimMeter &m, const QString &, const QDateTime &)
    {
        const MeterState &s = m.m_state;
        QStringList lines{QStringLiteral("Model ") + s.model, QStringLiteral("Version ") + s.version,
                          QStringLiteral("Serial ") + s.serial, QStringLiteral("Options ") + QString::number(s.options)};
        for (const QString &slot : s.info)
            lines << slot;
        lines << QStringLiteral("*0");
        return {lines};
    }
    static Result serialNumber(SimMeter &m, const QString &, const QDateTime &) { return valueThenOk(m.m_state.serial); }
    static Result clock(SimMeter &m, const QString &, const QDateTime &wall)
    {
        const QDateTime t = m.meterTime(wall);
        return valueThenOk(dateText(t.date()) + QLatin1Char(' ') + t.time().toString(QStringLiteral("hh:mm:ss")));
    }
    static Result calFactors(SimMeter &m, const QString &, const QDateTime &)
    {
        QStringList lines;
        for (int r = 1; r <= MeterState::Ranges; ++r) {
            QString line = QStringLiteral("Range ") + QString::number(r);
            for (const qint32 v : m.m_state.calFactors[r])
                line += QStringLiteral(", ") + QString::number(v);
            lines << line;
        }
        lines << QStringLiteral("*0");
        return {lines};
    }
    // "ps" the specifications, "pi" the imported uncertainties.
    static Result specTable(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        const auto &table = cmd == QLatin1String("ps") ? m.m_state.specs : m.m_state.uncerts;
        QStringList lines;
        for (int r = 1; r <= MeterState::Ranges; ++r) {
            QString line = QLatin1Char('R') + twoDigits(r) + QLatin1Char(' ') + rangeLabel(r);
            for (const double v : table[r])
                line += QLatin1Char(',') + number(v);
            lines << line;
        }
        lines << QStringLiteral("*0");
        return {lines};
    }
    static Result prtTable(SimMeter &m, const QString &, const QDateTime &)
    {
        QStringList lines;
        for (int row = 0; row < MeterState::PrtEntries / 10; ++row) {
            QString line = QString::number(row) + QLatin1Char('R');
            for (int c = 0; c < 10; ++c)
                line += QLatin1Char(',') + QString::number(m.m_state.prt[row * 10 + c]);
            lines << line;
        }
        lines << QStringLiteral("*0");
        return {lines};
    }
    static Result history(SimMeter &m, const QString &, const QDateTime &)
    {
        QStringList lines;
        for (const CalEvent &e : m.m_state.history) {
            lines << QStringLiteral("DATE ") + dateText(e.date);
            QStringList ranges;
            for (int r : e.ranges)
                ranges << QString::number(r);
            lines << QStringLiteral("RANGE ") + ranges.join(QLatin1Char(','));
        }
        lines << QStringLiteral("*0");
        return {lines};
    }
    static Result options(SimMeter &m, const QString &, const QDateTime &) { return {{QString::number(m.m_state.options)}}; }
    static Result internalTemperature(SimMeter &m, const QString &, const QDateTime &)
    {
        const double t = m.m_state.internalTemp;
        return {{(t >= 0 ? QStringLiteral(" ") : QString()) + QString::number(t, 'f', 1)}};
    }
    static Result tempCoefficient(SimMeter &m, const QString &, const QDateTime &)
    {
        const MeterState &s = m.m_state;
        const auto coeff = s.tempCoeffs.find(s.selectedRange);
        return valueThenOk(number(coeff != s.tempCoeffs.end() ? coeff->second : 0.0));
    }
    static Result ambient(SimMeter &m, const QString &, const QDateTime &) { return valueThenOk(number(m.m_state.ambient)); }
    static Result acLinearity(SimMeter &m, const QString &, const QDateTime &)
    {
        return valueThenOk(number(m.m_state.acLinearity));
    }
    static Result reading(SimMeter &m, const QString &, const QDateTime &)
    {
        m.m_noise = m.m_noise * 1103515245u + 12345u;
        const double spread = ((m.m_noise >> 16) % 200 - 100) * 1e-8;
        return {{QString::asprintf("%+.8E", m.m_state.confValue * (1 + 3e-6 + spread))}};
    }

    // --- settings that need no bracket ---
    // "B1" and "B2": the two display brightness levels.
    static Result brightness(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        qint64 level = 0;
        if (!parseInt(cmd.mid(2), level) || level < 0 || level > 15)
            return {rejected()};
        (cmd[1] == QLatin1Char('1') ? m.m_state.brightness1 : m.m_state.brightness2) = static_cast<int>(level);
        return {ok()};
    }
    static Result configure(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        static const QStringList functions{"VOLTAGE:DC", "CURRENT:DC", "VOLTAGE:AC", "CURRENT:AC", "RES", "FRES",
                                           "RES:LOWI",   "FRES:LOWI",  "RES:HIGHI",  "FRES:HIGHI", "FREQ"};
        const qsizetype blank = cmd.indexOf(QLatin1Char(' '));
        const QString function = cmd.mid(5, blank < 0 ? -1 : blank - 5);
        double value = 0;
        if (!functions.contains(function))
            return {unknown()};
        if (blank < 0 || !parseNumber(cmd.mid(blank + 1), value))
            return {rejected()};
        m.m_state.confFunction = function;
        m.m_state.confValue = value;
        return {ok()};
    }
    static Result selectRange(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        qint64 range = 0;
        if (!parseInt(cmd.mid(1), range) || range < 0 || range > 90)
            return {rejected()};
        m.m_state.selectedRange = static_cast<int>(range);
        return {ok()};
    }
    static Result setTempCoefficient(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        MeterState &s = m.m_state;
        double c = 0;
        if (!parseNumber(cmd.mid(15), c) || std::abs(c) > 300 || !hasTempComp(s.selectedRange))
            return {rejected()};
        s.tempCoeffs[s.selectedRange] = c;
        return {ok()};
    }
    static Result setAmbient(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        double t = 0;
        if (!parseNumber(cmd.mid(17), t) || t <= 0 || t >= 100)
            return {rejected()};
        m.m_state.ambient = t;
        return {ok()};
    }
    static Result setAcLinearity(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        double v = 0;
        if (!parseNumber(cmd.mid(17), v) || std::abs(v) > 1000)
            return {rejected()};
        m.m_state.acLinearity = v;
        return {ok()};
    }
    static Result setGpibAddress(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        qint64 address = 0;
        if (!parseInt(cmd.mid(20), address) || address < 1 || address > 30)
            return {rejected()};
        m.m_state.gpibAddress = static_cast<int>(address);
        return {ok()};
    }
    static Result reboot(SimMeter &m, const QString &, const QDateTime &)
    {
        m.m_rangesWrittenInBracket.clear();
        m.m_state.mode = Mode::Normal;
        return {ok(), 0, m.m_rebootMs};
    }
    // Back to front-panel (local) operation.
    static Result local(SimMeter &, const QString &, const QDateTime &) { return {ok()}; }

    // --- writes, each behind its bracket ---
    // "Ww" and a point letter (a to z, then A and B), range, value.
    static Result writeCalFactor(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        MeterState &s = m.m_state;
        const QStringList f = cmd.mid(3).split(QLatin1Char(','));
        const QChar letter = cmd.size() > 2 ? cmd[2] : QChar();
        const int point = letter >= QLatin1Char('a') && letter <= QLatin1Char('z') ? letter.unicode() - 'a'
                          : letter == QLatin1Char('A')                                ? 26
                          : letter == QLatin1Char('B')                                ? 27
                                                                                      : -1;
        qint64 range = 0, value = 0;
        if (point < 0 || f.size() != 2 || !parseInt(f[0], range) || !parseInt(f[1], value) || range < 1 ||
            range > MeterState::Ranges || point >= s.calPoints(static_cast<int>(range)) || value < INT32_MIN ||
            value > INT32_MAX)
            return {rejected()};
        if ((point == 1 || point == 2) && range != 17 && (value < 50000000 || value > 150000000))
            return {rejected()};
        s.calFactors[range][point] = static_cast<qint32>(value);
        m.m_rangesWrittenInBracket << static_cast<int>(range);
        return {ok()};
    }
    // "Ws" a specification, "Wi" an imported uncertainty: range, column, value.
    static Result writeSpecCell(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        const QStringList f = cmd.mid(2).split(QLatin1Char(','));
        qint64 range = 0, column = 0;
        double value = 0;
        if (f.size() != 3 || !parseInt(f[0], range) || !parseInt(f[1], column) || !parseNumber(f[2], value) ||
            range < 1 || range > MeterState::Ranges || column < 0 ||
            column >= MeterState::specColumns(static_cast<int>(range)) || value < 0 || value > 1e6)
            return {rejected()};
        (cmd[1] == QLatin1Char('s') ? m.m_state.specs : m.m_state.uncerts)[range][column] = value;
        return {ok()};
    }
    // "WS" clears the specifications, "WI" the imported uncertainties.
    static Result clearSpecTable(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        for (auto &row : (cmd == QLatin1String("WS") ? m.m_state.specs : m.m_state.uncerts))
            std::fill(row.begin(), row.end(), 0.0);
        return {ok(), 2000};
    }
    static Result writePrtEntry(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        const QStringList f = cmd.mid(2).split(QLatin1Char(','));
        qint64 index = 0, value = 0;
        if (f.size() != 2 || !parseInt(f[0], index) || !parseInt(f[1], value) || index < 0 ||
            index >= MeterState::PrtEntries || std::abs(value) > 1000000001)
            return {rejected()};
        // Entries arrive one count above the table value (the editor adds one) and are
        // stored one lower, so a table read with "pt" and written back stays the same.
        m.m_state.prt[index] = static_cast<qint32>(value - 1);
        return {ok()};
    }
    // "Wc", the type letter, a blank, microvolts, degrees.
    static Result writeThermocouplePoint(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        const QChar type = cmd.size() > 2 ? cmd[2] : QChar();
        const QStringList f = cmd.mid(3).split(QLatin1Char(','));
        qint64 emf = 0;
        double t = 0;
        if (!QStringLiteral("BEJKNRST").contains(type) || cmd.size() < 4 || cmd[3] != QLatin1Char(' ') ||
            f.size() != 2 || !parseInt(f[0], emf) || !parseNumber(f[1], t) || emf < -8000 || emf > 80000 || t < -273 ||
            t > 2000)
            return {rejected()};
        auto &points = m.m_state.thermocouples[type];
        if (!points.count(static_cast<int>(emf)) && points.size() >= 400) // the meter's room per type
            return {rejected()};
        points[static_cast<int>(emf)] = t;
        return {ok()};
    }
    // Full erase: factory tables, then every table emptied; identity, options and clock stay.
    static Result eraseAll(SimMeter &m, const QString &, const QDateTime &)
    {
        MeterState &s = m.m_state;
        MeterConfig config;
        config.model = s.model;
        config.serial = s.serial;
        config.version = s.version;
        config.acPoints = s.acPoints;
        config.gpibAddress = s.gpibAddress;
        const qint64 options = s.options, offset = s.clockOffsetMs;
        s = factoryState(config);
        s.options = options;
        s.clockOffsetMs = offset;
        s.info = {};
        s.history.clear();
        s.thermocouples.clear();
        for (auto *table : {&s.specs, &s.uncerts})
            for (auto &row : *table)
                std::fill(row.begin(), row.end(), 0.0);
        resetCalFactors(s);
        s.calBackup = s.calFactors;
        std::fill(s.prt.begin(), s.prt.end(), 0);
        s.tempCoeffs.clear();
        m.m_rangesWrittenInBracket.clear();
        return {ok(), 0, m.m_eraseMs};
    }
    // "CB" backs the calibration factors up, "CR" restores the backup, "CC" clears them.
    static Result calFactorStore(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        MeterState &s = m.m_state;
        if (cmd == QLatin1String("CB"))
            s.calBackup = s.calFactors;
        else if (cmd == QLatin1String("CR"))
            s.calFactors = s.calBackup;
        else
            resetCalFactors(s);
        return {ok(), 1500}; // EEPROM work
    }
    // "&", a two-digit slot 01 to 06, the text (at most 20 characters).
    static Result writeInformationLine(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        qint64 slot = 0;
        const QString text = cmd.mid(3);
        if (cmd.size() < 3 || !cmd[1].isDigit() || !cmd[2].isDigit() || !parseInt(cmd.mid(1, 2), slot) || slot < 1 ||
            slot > 6 || text.size() > 20)
            return {rejected()};
        m.m_state.info[slot - 1] = text;
        return {ok()};
    }
    // "A" and ddmmyyhhmm: sets the meter's clock.
    static Result setClock(SimMeter &m, const QString &cmd, const QDateTime &wall)
    {
        if (cmd.size() != 11)
            return {rejected()};
        int f[5];
        for (int i = 0; i < 5; ++i) {
            qint64 v = 0;
            if (!cmd[1 + 2 * i].isDigit() || !cmd[2 + 2 * i].isDigit() || !parseInt(cmd.mid(1 + 2 * i, 2), v))
                return {rejected()};
            f[i] = static_cast<int>(v);
        }
        const QDate date(2000 + f[2], f[1], f[0]);
        const QTime time(f[3], f[4]);
        if (!date.isValid() || !time.isValid())
            return {rejected()};
        m.m_state.clockOffsetMs = wall.msecsTo(QDateTime(date, time));
        return {ok()};
    }
    // "K" and 1 to 9 digits: the new calibration password.
    static Result setPassword(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
        if (!digits.match(cmd.mid(1)).hasMatch())
            return {rejected()};
        m.m_state.calPassword = cmd.mid(1);
        return {ok()};
    }
    static Result setSerialNumber(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        const QString serial = cmd.mid(1).trimmed();
        if (serial.isEmpty() || serial.size() > 10)
            return {rejected()};
        m.m_state.serial = serial;
        return {ok()};
    }
    static Result setModel(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        const QString model = cmd.mid(6).trimmed();
        if (!models().contains(model))
            return {rejected()};
        m.m_state.model = model;
        return {ok()};
    }
    static Result setOptions(SimMeter &m, const QString &cmd, const QDateTime &)
    {
        qint64 mask = 0;
        if (!parseInt(cmd.mid(15), mask) || mask < 0 || mask > Option::All)
            return {rejected()};
        m.m_state.options = mask;
        return {ok()};
    }
    // The user options back to their defaults.
    static Result defaultUserOptions(SimMeter &m, const QString &, const QDateTime &)
    {
        MeterState &s = m.m_state;
        s.tempCoeffs.clear();
        s.ambient = 20.0;
        s.acLinearity = 0.0;
        s.brightness1 = s.brightness2 = 12;
        return {ok(), 500};
    }
};

const SimMeter::Commands::Entry SimMeter::Commands::table[] = {
    // The bracket.
    {"k5820637", Match::Whole, Needs::Nothing, enterService},
    {"k", Match::Prefix, Needs::Nothing, wrongAccessCode},
    {"CALIBRATE:PASSWORD", Match::Prefix, Needs::Nothing, enterCalibration},
    {"a1", Match::Whole, Needs::Nothing, closeBracket},
    // Queries.
    {"*IDN?", Match::Whole, Needs::Nothing, identity},
    {"v", Match::Whole, Needs::Nothing, information},
    {"q", Match::Whole, Needs::Nothing, serialNumber},
    {"a", Match::Whole, Needs::Nothing, clock},
    {"pa", Match::Whole, Needs::Nothing, calFactors},
    {"ps", Match::Whole, Needs::Nothing, specTable},
    {"pi", Match::Whole, Needs::Nothing, specTable},
    {"pt", Match::Whole, Needs::Nothing, prtTable},
    {"CALIBRATE:HISTORY", Match::Whole, Needs::Nothing, history},
    {"SYSTEM:OPTIONS ?", Match::Whole, Needs::Nothing, options},
    {"TEMP?", Match::Whole, Needs::Nothing, internalTemperature},
    {"TEMPCOMP:COEFF ?", Match::Whole, Needs::Nothing, tempCoefficient},
    {"TEMPCOMP:AMBIENT ?", Match::Whole, Needs::Nothing, ambient},
    {"CORRECTION:ACLIN ?", Match::Whole, Needs::Nothing, acLinearity},
    {"READ?", Match::Whole, Needs::Nothing, reading},
    // Settings that need no bracket.
    {"B1", Match::Prefix, Needs::Nothing, brightness},
    {"B2", Match::Prefix, Needs::Nothing, brightness},
    {"CONF:", Match::Prefix, Needs::Nothing, configure},
    {"R", Match::PrefixThenDigit, Needs::Nothing, selectRange},
    {"TEMPCOMP:COEFF ", Match::Prefix, Needs::Nothing, setTempCoefficient},
    {"TEMPCOMP:AMBIENT ", Match::Prefix, Needs::Nothing, setAmbient},
    {"CORRECTION:ACLIN ", Match::Prefix, Needs::Nothing, setAcLinearity},
    {"SYST:COMM:GPIB:ADDR ", Match::Prefix, Needs::Nothing, setGpibAddress},
    {"SYSTEM:REBOOT", Match::Whole, Needs::Nothing, reboot},
    {"L", Match::Whole, Needs::Nothing, local},
    // Writes.
    {"Ww", Match::Prefix, Needs::EitherMode, writeCalFactor},
    {"Ws", Match::Prefix, Needs::Calibration, writeSpecCell},
    {"Wi", Match::Prefix, Needs::Calibration, writeSpecCell},
    {"WS", Match::Whole, Needs::Service, clearSpecTable},
    {"WI", Match::Whole, Needs::Service, clearSpecTable},
    {"Wt", Match::Prefix, Needs::Service, writePrtEntry},
    {"Wc", Match::Prefix, Needs::Service, writeThermocouplePoint},
    {"WXerase", Match::Whole, Needs::Service, eraseAll},
    {"CB", Match::Whole, Needs::Calibration, calFactorStore},
    {"CR", Match::Whole, Needs::Calibration, calFactorStore},
    {"CC", Match::Whole, Needs::EitherMode, calFactorStore},
    {"&", Match::Prefix, Needs::EitherMode, writeInformationLine},
    {"A", Match::PrefixThenDigit, Needs::Service, setClock},
    {"K", Match::Prefix, Needs::Service, setPassword},
    {"q", Match::Prefix, Needs::Service, setSerialNumber},
    {"model ", Match::Prefix, Needs::Service, setModel},
    {"SYSTEM:OPTIONS ", Match::Prefix, Needs::Service, setOptions},
    {"OPTDEFAULT", Match::Whole, Needs::Service, defaultUserOptions},
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
