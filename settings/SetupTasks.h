#pragma once
#include "link/platform/UserInteraction.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The setup tasks that prepare a meter in one run (clock, calibration password, clearing
// the calibration factors, the default specification and uncertainty files, the
// thermocouple tables), the full erase of the meter and the choice of the default files.
// The main window's service procedures call these; the rules and texts live here.

// What one run of the setup tasks is asked to do.
struct SetupTaskInputs
{
    bool SetDate = false;          // set the meter's clock from this computer's clock
    bool SetCalPassword = false;   // set the calibration password to CalPassword
    QString CalPassword;           // a number of at most 9 characters
    bool ClearCalFactors = false;  // clear the calibration factors
    bool LoadDefaultSpecs = false; // write the default specification file
    bool LoadDefaultUncerts = false; // write the default imported-uncertainty file
    bool LoadThermocouple = false; // write the thermocouple tables from the formulas
};

namespace SetupTasks {

// A password the meter can take: at most 9 characters, and digits only once the blanks
// around it are removed (at least one digit).
bool calPasswordAcceptable(const QString &password);
// "K" and the password without blanks around it.
QString calPasswordCommand(const QString &password);

// The summary box after a run: nothing for an empty log.
struct Summary
{
    QString title;
    int style = Msg::OKOnly;
};
std::optional<Summary> summaryOf(const QString &log, bool notCompleted);

// Where a run writes its log and how it learns that the program is ending. The main window
// gives its hidden Text_Status.
class Log
{
public:
    virtual ~Log() = default;
    virtual void setShown(bool shown) = 0;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    // False once the program is closing: the run then ends at its next step, quietly.
    virtual bool carryOn() const = 0;
};

// The whole sequence, in its fixed order: each task enters setup mode itself, a refused
// step stops the run with its message, a missing default file is logged and the run goes
// on; setup mode is left once, after the thermocouple step. A table task logs its success
// line only when the meter took every value and the information line; otherwise it logs
// its failure line with the count of values not written, and the run stops there (a
// meter that stops answering ends the table's write at the first value). The summary box
// closes the run: "Setup Tasks Completed" only when the closing "a1" was accepted; when it
// was not, or the run stopped after sending an access command or a password, its last line
// says the meter may still be in setup mode.
// The run holds the meter from start to summary (meterGate()), so nothing else talks to
// it meanwhile; asked for while another operation holds it, it says so and does nothing.
void Run(const SetupTaskInputs &inputs, Log &log);

// Erases everything in the meter after two confirmations; the meter then restarts itself
// ("WXerase" is not awaited and setup mode is not left).
void ClearAllSettings();

// The two default files a run writes.
enum class DefaultFile { Specifications, Uncertainties };
// The stored path (key compared without regard to case), or its default.
QString defaultFilePath(DefaultFile which);
// Lets the user choose the file; a cancelled dialog or a file that does not exist leaves
// the setting as it was.
void SelectDefaultFile(DefaultFile which);

} // namespace SetupTasks
