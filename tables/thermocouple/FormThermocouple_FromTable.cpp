#include "tables/thermocouple/FormThermocouple_FromTable.h"
#include "link/LoadedWindow.h"
#include "link/Communication.h"
#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "link/TextConv.h"
#include "tables/thermocouple/ThermocouplePointWriter.h"
#include "tables/thermocouple/ThermocoupleTables.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

template <class T>
T *named(T *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

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

} // namespace

FormThermocouple_FromTable::FormThermocouple_FromTable(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Command_SaveThermocoupleTableVT(
          named(new QPushButton(QStringLiteral("Write Thermocouple Data V -> T"), this), "Command_SaveThermocoupleTableVT"))
    , Command_Stop(named(new QPushButton(QStringLiteral("Stop"), this), "Command_Stop"))
    , Command_Exit(named(new QPushButton(QStringLiteral("Exit"), this), "Command_Exit"))
    , ProgressBar1(named(new QProgressBar(this), "ProgressBar1"))
    , Label_Thermostatus(named(new QLabel(this), "Label_Thermostatus"))
{
    setObjectName(QStringLiteral("FormThermocouple_FromTable"));
    setWindowTitle(QStringLiteral("Thermocouple Data"));
    ProgressBar1->setValue(0);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command_SaveThermocoupleTableVT);
    buttons->addWidget(Command_Stop);
    buttons->addWidget(Command_Exit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Label_Thermostatus);
    resize(460, 130);

    connect(Command_SaveThermocoupleTableVT, &QPushButton::clicked, this,
            &FormThermocouple_FromTable::Command_SaveThermocoupleTableVT_Click);
    connect(Command_Stop, &QPushButton::clicked, this, &FormThermocouple_FromTable::Command_Stop_Click);
    connect(Command_Exit, &QPushButton::clicked, this, &FormThermocouple_FromTable::Command_Exit_Click);
}

void FormThermocouple_FromTable::Form_Load() { CentreForm(*this); }

void FormThermocouple_FromTable::Command_Stop_Click() { StopFlag = true; }

void FormThermocouple_FromTable::Command_Exit_Click()
{
    if (m_writing) {
        // Leaving the window ends the run (setup mode is still left), then the window unloads.
        StopFlag = true;
        m_unloadAfterRun = true;
        hide();
        return;
    }
    state().windows.unloadWindow(this);
}

void FormThermocouple_FromTable::closeEvent(QCloseEvent *event)
{
    if (m_writing)
        StopFlag = true;
    QWidget::closeEvent(event);
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
    if (m_writing)
        return;
    if (!EnterSetupMode()) {
        appUi().MsgBox(QStringLiteral("Error entering setup mode"));
        return;
    }
    {
        const Hourglass hourglass(appUi());
        m_writing = true;
        Command_SaveThermocoupleTableVT->setEnabled(false);
        StopFlag = false;

        const QStringList files = tableFiles(QDir::current().filePath(QStringLiteral("Thermocouple Tables")));
        for (const QString &path : files)
            if (!writeFile(path))
                break;
    }
    ProgressBar1->setValue(0);
    Label_Thermostatus->clear();
    Command_SaveThermocoupleTableVT->setEnabled(true);
    ExitSetupMode();
    m_writing = false;

    if (m_unloadAfterRun) {
        LoadedWindow<FormThermocouple_FromTable> self(this);
        QMetaObject::invokeMethod(
            this, [self] { if (self) state().windows.unloadWindow(self.data()); }, Qt::QueuedConnection);
    }
}

bool FormThermocouple_FromTable::writeFile(const QString &path)
{
    const QString type = Thermocouple::typeLetterFromFileName(QFileInfo(path).fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        appUi().MsgBox(QStringLiteral("Cannot read ") + QDir::toNativeSeparators(path), Msg::Exclamation);
        return true; // the other files are still written
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

        const auto [end, next] = lineAt(bytes, at);
        const QString line = QString::fromLatin1(bytes.mid(at, end - at));
        at = next;
        const std::optional<Thermocouple::FilePoint> point = Thermocouple::parsePairLine(line);
        if (!point)
            continue;
        Label_Thermostatus->setText(Thermocouple::writingStatus(type, point->E));
        const Thermocouple::PointOutcome outcome = Thermocouple::writeThermocouplePoint(
            point->E, point->T, type, TextConv::General(point->T), PointTimeoutSeconds, StopFlag, *Label_Thermostatus);
        if (outcome == Thermocouple::PointOutcome::PasswordNeeded || outcome == Thermocouple::PointOutcome::Aborted
            || StopFlag)
            return false;
    }
    return true;
}
