#include "settings/SetupTasks.h"
#include "link/Communication.h"
#include "link/MeterOperation.h"
#include "link/MeterWriteResult.h"
#include "link/platform/Clock.h"
#include "link/platform/SettingsStore.h"
#include "link/SharedState.h"
#include "settings/MeterClock.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tables/thermocouple/FormThermocouple.h"
#include "widgets/WindowRegistry.h"

#include <QFileInfo>
#include <QPointer>

namespace SetupTasks {

namespace {

constexpr int MaxPasswordLength = 9;
constexpr int ReplyTimeoutSeconds = 10;
constexpr int ClearTimeoutSeconds = 60; // clearing the factors takes the meter a while

const QString LineEnd = QStringLiteral("\r\n");

struct DefaultFileKind
{
    QString key;
    QString defaultPath;
    QString filter;
    QString extension;
};

// What a failure line adds about a table write the meter did not take whole.
QString notWrittenNote(const MeterWriteResult &written)
{
    QString note;
    if (written.notWritten > 0)
        note = QStringLiteral(": ") + QString::number(written.notWritten)
               + (written.notWritten == 1 ? QStringLiteral(" value") : QStringLiteral(" values"))
               + QStringLiteral(" not written");
    if (written.timedOut)
        note += QStringLiteral(" (no reply from the meter)");
    else if (written.notWritten == 0 && written.sent > 0 && !written.informationAccepted)
        note = QStringLiteral(": the information line was not accepted"); // every value taken
    return note;
}

const DefaultFileKind &kindOf(DefaultFile which)
{
    static const DefaultFileKind specifications{QStringLiteral("DefaultSpec"), QStringLiteral("default.spec"),
                                                QStringLiteral("Spec Files (*.spec)|*.spec|"), QStringLiteral(".spec")};
    static const DefaultFileKind uncertainties{QStringLiteral("Defaultuncert"), QStringLiteral("default.uncert"),
                                               QStringLiteral("Uncertainty Files (*.uncert)|*.uncert|"),
                                               QStringLiteral(".uncert")};
    return which == DefaultFile::Specifications ? specifications : uncertainties;
}

// Loads the table editor (its loading reads the meter's table), shows it, loads the file
// into it and writes the pending cells with the editor's own bracket, then unloads it.
// What the meter took of the file; nothing at all when the editor was closed before it
// could write (its write brackets itself in setup mode, and leaves it).
template <class Editor>
std::optional<MeterWriteResult> driveTableEditor(const QString &path)
{
    WindowRegistry &windows = appWindows();
    const QPointer<Editor> editor = &windows.form<Editor>();
    if (!windows.holds(editor))
        return std::nullopt;
    editor->show();
    editor->raise();
    editor->FileLoad(path);
    const MeterWriteResult written = editor->writePendingToMeter(WriteFor::Run);
    if (windows.holds(editor))
        editor->Command_Exit_Click();
    return written;
}

// Shows the thermocouple window, so the technician sees the run's progress, writes every
// table and unloads it. What the meter took of the tables.
MeterWriteResult driveThermocouple()
{
    WindowRegistry &windows = appWindows();
    const QPointer<FormThermocouple> window = &windows.form<FormThermocouple>();
    window->show();
    window->raise();
    const MeterWriteResult written = window->writeAllTables(WriteFor::Run);
    if (windows.holds(window))
        window->Command_Exit_Click();
    return written;
}

class Sequence
{
public:
    Sequence(const SetupTaskInputs &inputs, Log &log) : m_inputs(inputs), m_log(log) {}

    void run()
    {
        // The run lets the window system work between its steps: it holds the meter from
        // start to summary, and the windows show their meter controls unavailable meanwhile.
        const MeterGate::Operation meter = meterGate().begin(MeterGate::Shown::Yes);
        if (!meter) {
            appUi().MsgBox(QStringLiteral("A window is still talking to the meter. Run the setup tasks when it has "
                                          "finished."),
                           Msg::Exclamation, QStringLiteral("Setup Tasks"));
            return;
        }
        m_log.setShown(true);
        if (m_inputs.SetCalPassword && !calPasswordAcceptable(m_inputs.CalPassword)) {
            m_notCompleted = true;
            m_log.setText(QStringLiteral("Cal Password must be numeric and 9 digits or less"));
            finish();
            return;
        }
        m_log.setText(QString());
        appClock().processEvents();
        const quint64 openingsBefore = state().SetupModeOpenings;
        const bool tasksDone = runTasks();
        // Once the program is closing the run opens no window and sends nothing more than
        // what takes the meter out of the setup mode the run may have put it in.
        bool leftSetupMode = false;
        if (m_log.carryOn() ? tasksDone : state().SetupModeMayBeOpen)
            leftSetupMode = ExitSetupMode();
        // A run that stopped at a failure sends no "a1": the technician must know that the
        // meter may still be in setup mode, as when the closing "a1" was not accepted.
        const bool openedByRun = state().SetupModeOpenings != openingsBefore;
        if (m_log.carryOn() && !leftSetupMode && (tasksDone || (openedByRun && state().SetupModeMayBeOpen)))
            failedLine(QStringLiteral("The meter may still be in setup mode"));
        finish();
    }

private:
    // The tasks in their fixed order; false when one stopped the run.
    bool runTasks()
    {
        if (m_inputs.SetDate) {
            if (!enter() || !send(MeterClock::setCommand(appClock().now()), ReplyTimeoutSeconds, "Error setting time"))
                return false;
            appendAndRepaint(QStringLiteral("Date Set"));
        }
        if (m_inputs.SetCalPassword) {
            if (!enter()
                || !send(calPasswordCommand(m_inputs.CalPassword), ReplyTimeoutSeconds, "Error setting calibration password"))
                return false;
            appendAndRepaint(QStringLiteral("Calibration Password Set"));
        }
        if (m_inputs.ClearCalFactors) {
            if (!enter() || !send(QStringLiteral("CC"), ClearTimeoutSeconds, "Error clearing cal factors"))
                return false;
            appendAndRepaint(QStringLiteral("Calibration Factors Cleared"));
        }
        if (m_inputs.LoadDefaultSpecs
            && !loadDefaultFile<FormSpecifications>(DefaultFile::Specifications, QStringLiteral("Specifications"),
                                                    QStringLiteral("Default Specifications Loaded")))
            return false;
        if (m_inputs.LoadDefaultUncerts
            && !loadDefaultFile<FormImportedUncerts>(DefaultFile::Uncertainties, QStringLiteral("Uncertainties"),
                                                     QStringLiteral("Default Imported Uncertainties Loaded")))
            return false;
        if (m_inputs.LoadThermocouple) {
            if (!enter())
                return false;
            const MeterWriteResult written = driveThermocouple();
            if (!reportWrite(written, QStringLiteral("Thermocouple Data Loaded"),
                             QStringLiteral("ERROR: Thermocouple Data Not Loaded")))
                return false;
        }
        return true;
    }

    // One default-file task; false when the run stops: setup mode refused, or the meter did
    // not take the whole file. A missing file is logged and the run goes on.
    template <class Editor>
    bool loadDefaultFile(DefaultFile which, const QString &what, const QString &loadedLine)
    {
        if (!enter())
            return false;
        const QString path = defaultFilePath(which);
        if (!QFileInfo(path).isFile()) {
            failedLine(QStringLiteral("ERROR: Default ") + what + QStringLiteral(" Not Found"));
            return true;
        }
        const std::optional<MeterWriteResult> written = driveTableEditor<Editor>(path);
        return reportWrite(written.value_or(MeterWriteResult{}), loadedLine,
                           QStringLiteral("ERROR: Default ") + what + QStringLiteral(" Not Loaded"));
    }

    // Logs a driven table write: its success line only when the meter took every value and
    // the information line, else its failure line; false when the run stops there.
    bool reportWrite(const MeterWriteResult &written, const QString &loadedLine, const QString &notLoadedLine)
    {
        if (written.complete()) {
            append(loadedLine);
            return true;
        }
        failedLine(notLoadedLine + notWrittenNote(written));
        return false;
    }

    // Each task opens setup mode itself, whatever the task before it left.
    bool enter()
    {
        if (!m_log.carryOn())
            return false;
        if (EnterSetupMode())
            return m_log.carryOn(); // the program may have begun closing meanwhile
        stop(QStringLiteral("Error sending password"));
        return false;
    }

    bool send(const QString &command, int timeoutSeconds, const char *refusal)
    {
        if (ClassifyReply(SendToMeter(command, timeoutSeconds)) == ReplyStatus::Done)
            return true;
        stop(QString::fromLatin1(refusal));
        return false;
    }

    // A refused step: its message, and the run goes straight to its summary.
    void stop(const QString &message)
    {
        m_notCompleted = true;
        if (m_log.carryOn())
            appUi().MsgBox(message);
    }

    void append(const QString &line) { m_log.setText(m_log.text() + line + LineEnd); }

    void appendAndRepaint(const QString &line)
    {
        append(line);
        appClock().processEvents();
    }

    void failedLine(const QString &line)
    {
        m_notCompleted = true;
        append(line);
    }

    void finish()
    {
        m_log.setShown(false);
        if (!m_log.carryOn())
            return;
        const QString log = m_log.text();
        if (const std::optional<Summary> summary = summaryOf(log, m_notCompleted))
            appUi().MsgBox(log, summary->style, summary->title);
    }

    const SetupTaskInputs &m_inputs;
    Log &m_log;
    bool m_notCompleted = false;
};

} // namespace

bool calPasswordAcceptable(const QString &password)
{
    if (password.size() > MaxPasswordLength)
        return false;
    const QString digits = password.trimmed();
    if (digits.isEmpty())
        return false;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QString calPasswordCommand(const QString &password) { return QStringLiteral("K") + password.trimmed(); }

std::optional<Summary> summaryOf(const QString &log, bool notCompleted)
{
    if (log.isEmpty())
        return std::nullopt;
    if (notCompleted)
        return Summary{QStringLiteral("Setup Tasks Not Completed"), Msg::OKOnly | Msg::Critical};
    return Summary{QStringLiteral("Setup Tasks Completed"), Msg::OKOnly | Msg::Information};
}

void Run(const SetupTaskInputs &inputs, Log &log) { Sequence(inputs, log).run(); }

void ClearAllSettings()
{
    const int confirm = Msg::YesNo | Msg::Question | Msg::DefaultButton2;
    const QString title = QStringLiteral("Clear All Settings");
    if (appUi().MsgBox(QStringLiteral("This will clear all settings - please confirm"), confirm, title) != Msg::Yes)
        return;
    if (appUi().MsgBox(QStringLiteral("This will clear everything - please confirm again"), confirm, title) != Msg::Yes)
        return;
    if (!EnterSetupMode()) {
        appUi().MsgBox(QStringLiteral("Error entering setup mode"));
        return;
    }
    const Hourglass hourglass(appUi());
    // The meter erases itself and is gone for minutes: no reply is awaited, and setup mode
    // is not left.
    SendWithoutReply(QStringLiteral("WXerase"));
    appUi().MsgBox(QStringLiteral("Meter will be unresponsive for several minutes"), Msg::Information);
}

QString defaultFilePath(DefaultFile which)
{
    const DefaultFileKind &kind = kindOf(which);
    return appSettings().GetSetting(SettingsStore::Section, kind.key, kind.defaultPath);
}

void SelectDefaultFile(DefaultFile which)
{
    const DefaultFileKind &kind = kindOf(which);
    FileDialogRequest request;
    request.filter = kind.filter;
    request.filterIndex = 1;
    request.defaultExt = kind.extension;
    request.flags = FileDialogRequest::FileMustExist;
    request.fileName = defaultFilePath(which);
    const std::optional<QString> chosen = appUi().ShowOpen(request);
    if (chosen && !chosen->isEmpty() && QFileInfo(*chosen).isFile())
        appSettings().SaveSetting(SettingsStore::Section, kind.key, *chosen);
}

} // namespace SetupTasks
