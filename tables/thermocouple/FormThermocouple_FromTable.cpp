#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/thermocouple/ThermocoupleTables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace {

// Seconds a point write waits for the meter's status token.
constexpr int PointTimeoutSeconds = 10;
// The progress bar moves in steps of this many bytes.
constexpr qint64 ProgressGranule = 128;

// The end of the line starting at `from` (CR, LF or CR LF ends a line), and where the
// next line starts.
std::pair<qsizetype, qsizetype> lineAt(const QByteArray &bytes, qsizetype from)
{
    qsizetype end = from;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    qsizetype next = end;
    if (next < bytes.size() && bytes[next] == '\r')
        ++next;
    if (next < bytes.size() && bytes[next] == '\n')
        ++next;
    return {end, next};
}

// The line starting at `at` as a point, if it is one; `at` moves to the next line.
std::optional<Thermocouple::FilePoint> pointAt(const QByteArray &bytes, qsizetype &at)
{
    const auto [end, next] = lineAt(bytes, at);
    const QString line = QString::fromLatin1(bytes.mid(at, end - at));
    at = next;
    return Thermocouple::parsePairLine(line);
}

} // namespace

FormThermocouple_FromTable::FormThermocouple_FromTable(QWidget *parent)
    : ThermocoupleWindow(QStringLiteral("FormThermocouple_FromTable"), QStringLiteral("Command_SaveThermocoupleTableVT"),
                         QStringLiteral("Write Thermocouple Data V -> T"), 460, parent)
    , Command_SaveThermocoupleTableVT(writeButton())
{
    connect(Command_SaveThermocoupleTableVT, &QPushButton::clicked, this,
            &FormThermocouple_FromTable::Command_SaveThermocoupleTableVT_Click);
}

QStringList FormThermocouple_FromTable::tableFiles(const QString &folder)
{
    const QDir dir(folder);
    if (!dir.exists())
        return {};
    QStringList paths;
    const QStringList names =
        dir.entryList({QStringLiteral("*Type*.txt")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        paths << dir.filePath(name);
    return paths;
}

void FormThermocouple_FromTable::Command_SaveThermocoupleTableVT_Click()
{
    const QStringList files = tableFiles(QDir::current().filePath(QStringLiteral("Thermocouple Tables")));
    runInSetupMode(WriteFor::User, pointsToWrite(files), [this, &files](const RunGuard::Run &) {
        for (const QString &path : files)
            if (!writeFile(path))
                break;
    });
}

int FormThermocouple_FromTable::pointsToWrite(const QStringList &files)
{
    int points = 0;
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString type = Thermocouple::typeLetterFromFileName(QFileInfo(path).fileName());
        const QByteArray bytes = file.readAll();
        for (qsizetype at = 0; at < bytes.size();)
            if (const std::optional<Thermocouple::FilePoint> point = pointAt(bytes, at);
                point && Thermocouple::withinLimits(point->E, type, point->T))
                ++points;
    }
    return points;
}

bool FormThermocouple_FromTable::writeFile(const QString &path)
{
    const RunGuard::Run run = m_guard.begin();
    const QString type = Thermocouple::typeLetterFromFileName(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        appUi().MsgBox(QStringLiteral("Cannot read ") + QDir::toNativeSeparators(path), Msg::Exclamation);
        return run.windowOpen(); // the other files are still written
    }
    const QByteArray bytes = file.readAll();
    file.close();

    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(static_cast<int>(std::min<qint64>(bytes.size(), INT_MAX)));
    for (qsizetype at = 0; at < bytes.size();) {
        const qint64 done = at / ProgressGranule * ProgressGranule;
        if (ProgressBar1->maximum() > done)
            ProgressBar1->setValue(static_cast<int>(done));
        appClock().processEvents();
        if (!run.windowOpen())
            return false;

        const std::optional<Thermocouple::FilePoint> point = pointAt(bytes, at);
        if (!point)
            continue;
        showStatus(Thermocouple::writingStatus(type, point->E));
        const PointOutcome outcome = writePoint(point->E, point->T, type, TextConv::General(point->T), PointTimeoutSeconds);
        if (endsWrite(outcome) || run.stopRequested())
            return false;
    }
    return true;
}
