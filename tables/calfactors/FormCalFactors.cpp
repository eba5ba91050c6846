#include "tables/calfactors/FormCalFactors.h"
#include "link/MeterOperation.h"
#include "link/MeterWriteResult.h"
#include "link/Ranges.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/calfactors/CalFactors.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/TableFileText.h"
#include "widgets/FormProgress.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "widgets/PacedDisplay.h"
#include "widgets/Twips.h"
#include "widgets/WindowRegistry.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace {

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    return named(new QPushButton(QString::fromLatin1(caption), parent), name);
}

// The grid of a fresh load, before the reply grows it.
constexpr int ResetCols = 5;
constexpr int ResetRows = 5;
// The grid a window opens with.
constexpr int LoadCols = 24;
constexpr int LoadRows = 71;
constexpr int LabelColumnWidth = 2000;
constexpr int HeaderRowHeight = 450;
// Lines the "pa" reply is expected to have.
constexpr int ExpectedReplyLines = 70;
constexpr int ReadTimeoutSeconds = 12;
constexpr int CellTimeoutSeconds = 10;
constexpr int WholeSetTimeoutSeconds = 120;

const QString CalFileFilter = QStringLiteral("Cal Files (*.cal)|*.cal|");
const QString CalFileExt = QStringLiteral(".cal");

} // namespace

// The texts of one of the meter's whole-set operations.
struct FormCalFactors::MeterCommand
{
    QString command;
    QString title;
    QString prompt;
    QString success;
    QString failure;
};

FormCalFactors::FormCalFactors(QWidget *parent)
    : GridEditorForm(GridEditStyle{GridEditStyle::Caret::AtEnd, GridEditStyle::BoxAtLoad::TextEmptied}, parent)
    , Command_LoadAllCalFactors(button(this, "Command_LoadAllCalFactors", "Load from Meter"))
    , Command_FileLoad(button(this, "Command_FileLoad", "Load from File"))
    , Command_Backup(button(this, "Command_Backup", "Backup Meter to Secondary Cal Storage"))
    , Command_ClearAll(button(this, "Command_ClearAll", "Clear Meter"))
    , Command_Exit(button(this, "Command_Exit", "Exit"))
    , Command_FileSave(button(this, "Command_FileSave", "Save to File"))
    , Command_SaveAll(button(this, "Command_SaveAll", "Save To Meter"))
    , Command_Restore(button(this, "Command_Restore", "Restore Meter from Secondary Cal storage"))
    , ProgressBar1(named(new QProgressBar(this), "ProgressBar1"))
{
    setObjectName(QStringLiteral("FormCalFactors"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Calibration Factors"));

    // Two rows of buttons along the top; Exit, larger, spans both rows at the right.
    constexpr int top1 = 120, top2 = 675, height = 495, narrow = 1695, wide = 4200;
    Twips::place(*Command_LoadAllCalFactors, 120, top1, narrow, height);
    Twips::place(*Command_FileLoad, 1935, top1, narrow, height);
    Twips::place(*Command_Backup, 3750, top1, wide, height);
    Twips::place(*Command_ClearAll, 8070, top1, narrow, height);
    Twips::place(*Command_Exit, 9885, top1, narrow, top2 + height - top1);
    Twips::place(*Command_FileSave, 120, top2, narrow, height);
    Twips::place(*Command_SaveAll, 1935, top2, narrow, height);
    Twips::place(*Command_Restore, 3750, top2, wide, height);
    Twips::place(*ProgressBar1, 8070, top2 + 120, narrow, height - 240);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Twips::place(*CalGrid, 120, 1290, 11000, 7000);
    resize(Twips::toPixels(12600), Twips::toPixels(8400));

    connect(Command_LoadAllCalFactors, &QPushButton::clicked, this, &FormCalFactors::Command_LoadAllCalFactors_Click);
    connect(Command_FileLoad, &QPushButton::clicked, this, &FormCalFactors::Command_FileLoad_Click);
    connect(Command_Backup, &QPushButton::clicked, this, &FormCalFactors::Command_Backup_Click);
    connect(Command_ClearAll, &QPushButton::clicked, this, &FormCalFactors::Command_ClearAll_Click);
    connect(Command_Exit, &QPushButton::clicked, this, &FormCalFactors::Command_Exit_Click);
    connect(Command_FileSave, &QPushButton::clicked, this, &FormCalFactors::Command_FileSave_Click);
    connect(Command_SaveAll, &QPushButton::clicked, this, &FormCalFactors::Command_SaveAll_Click);
    connect(Command_Restore, &QPushButton::clicked, this, &FormCalFactors::Command_Restore_Click);
    new MeterControls(this, {Command_LoadAllCalFactors, Command_SaveAll, Command_Backup, Command_ClearAll, Command_Restore});
    // Each of these replaces the table a load or save is working on.
    new TableControls(this,
                      {Command_LoadAllCalFactors, Command_FileLoad, Command_Backup, Command_ClearAll, Command_Restore});
}

void FormCalFactors::Form_Load()
{
    Text_Edit->setText(QString());
    CalGrid->setCols(LoadCols);
    CalGrid->setRows(LoadRows);
    Command_LoadAllCalFactors_Click();
}

void FormCalFactors::DisableButtons()
{
    for (QPushButton *b : {Command_LoadAllCalFactors, Command_SaveAll, Command_ClearAll, Command_FileLoad,
                           Command_FileSave, Command_Backup, Command_Restore})
        b->setEnabled(false);
}

void FormCalFactors::EnableButtons()
{
    for (QPushButton *b : {Command_LoadAllCalFactors, Command_SaveAll, Command_ClearAll, Command_FileLoad,
                           Command_FileSave, Command_Backup, Command_Restore})
        b->setEnabled(true);
}

void FormCalFactors::Command_Exit_Click() { m_guard.unloadWhenIdle(); }

void FormCalFactors::closeEvent(QCloseEvent *event)
{
    // Only hidden, the window would keep its table and not read the meter when opened again.
    event->accept();
    Command_Exit_Click();
}

void FormCalFactors::resetGrid()
{
    // An edit left open would land in whatever cell the new table puts there: drop it.
    Text_Edit->hide();
    CalGrid->setCols(ResetCols);
    CalGrid->setRows(ResetRows);
    CalGrid->Clear();
    CalGrid->setTextMatrix(0, 1, QStringLiteral("Zero"));
    CalGrid->setTextMatrix(0, 2, QStringLiteral("Positive"));
    CalGrid->setTextMatrix(0, 3, QStringLiteral("Negative"));
    CalGrid->setColWidth(0, LabelColumnWidth);
    CalGrid->setRowHeight(0, HeaderRowHeight);
}

bool FormCalFactors::growTo(int row, int col)
{
    const int rows = std::max(CalGrid->Rows(), row + 1);
    const int cols = std::max(CalGrid->Cols(), col + 1);
    if (!CalFactors::fitsGrid(rows, cols))
        return false;
    if (rows > CalGrid->Rows())
        CalGrid->setRows(rows);
    if (cols > CalGrid->Cols())
        CalGrid->setCols(cols);
    return true;
}

void FormCalFactors::nameAcColumns()
{
    const int cols = CalGrid->Cols();
    for (int col = CalFactors::FirstAcColumn; col < cols; ++col)
        CalGrid->setTextMatrix(0, col, CalFactors::acColumnHeader(col, cols));
}

void FormCalFactors::makeCurrent(int row, int col)
{
    CalGrid->setRow(row);
    CalGrid->setCol(col);
}

void FormCalFactors::Command_LoadAllCalFactors_Click()
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    bool damaged = false;
    DisableButtons();
    {
        const Hourglass hourglass(appUi());
        resetGrid();

        auto &progress = appWindows().form<FormProgress>();
        progress.show();
        progress.SetMaxLines(ExpectedReplyLines);
        appClock().processEvents();
        const QString reply = SendToMeter(QStringLiteral("pa"), ReadTimeoutSeconds);
        appWindows().unload<FormProgress>();

        int row = 1;
        bool fitted = true;
        const CalFactors::CalFactorsReply parsed = CalFactors::parseCalFactorsReply(reply);
        damaged = parsed.damaged;
        for (const QStringList &fields : parsed.rows) {
            if (!run.windowOpen())
                return;
            // A reply beyond the editor's limits ends the load with an empty grid.
            if (!growTo(row, int(fields.size()))) {
                CalGrid->Clear();
                fitted = false;
                break;
            }
            CalGrid->setTextMatrix(row, 0, GetRangeName(row));
            for (int k = 1; k <= fields.size(); ++k)
                CalGrid->setTextMatrix(row, k, fields[k - 1]);
            ++row;
            appClock().processEvents();
        }
        if (!run.windowOpen())
            return;
        if (fitted)
            nameAcColumns();
        // The rows were put one pass of the event loop at a time: the whole table shows now.
        CalGrid->Refresh();
    }
    EnableButtons();
    // Rows take their range from their place in the reply: after a line lost to noise the
    // table is shifted, and must not be taken for the meter's.
    if (damaged)
        appUi().MsgBox(QStringLiteral("The meter's reply was damaged: read the calibration factors again"),
                       Msg::Exclamation);
}

int FormCalFactors::pendingCellsToSend() const
{
    int pending = 0;
    for (int row = 1; row < CalGrid->Rows(); ++row)
        for (int col = 1; col < CalGrid->Cols(); ++col)
            if (const QString text = CalGrid->TextMatrix(row, col);
                !text.isEmpty() && CalGrid->cellBackColorAt(row, col) == CellColour::Pending
                && CalFactors::planCellWrite(row, col - 1, text).outcome == CalFactors::CellWrite::Outcome::Send)
                ++pending;
    return pending;
}

void FormCalFactors::Command_SaveAll_Click()
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    const int toWrite = pendingCellsToSend();
    MeterWriteResult result;
    // Refused setup mode, the user may still save: the meter then answers each cell.
    SetupModeBracket bracket;
    bracket.onRefusal = SetupModeBracket::OnRefusal::AskCarryOn;
    bracket.refusalStyle = Msg::OKCancel;
    run.inSetupMode(bracket, [&] {
        PacedDisplay display(run);
        bool stop = false;
        // The window's table controls are held during the save, so the grid it walks stays
        // the one it started with while window events run.
        for (int row = 1; !stop && run.windowOpen() && row < CalGrid->Rows(); ++row) {
            for (int col = 1; !stop && run.windowOpen() && col < CalGrid->Cols(); ++col) {
                if (CalGrid->TextMatrix(row, col).isEmpty())
                    continue;
                display.show([this, row, col] { makeCurrent(row, col); });
                if (CalGrid->cellBackColorAt(row, col) != CellColour::Pending)
                    continue;
                const CalFactors::CellWrite write
                    = CalFactors::planCellWrite(row, col - 1, CalGrid->TextMatrix(row, col));
                if (write.outcome == CalFactors::CellWrite::Outcome::Skip)
                    continue;
                if (write.outcome == CalFactors::CellWrite::Outcome::Refuse) {
                    CalGrid->setCellBackColorAt(row, col, CellColour::Rejected);
                    continue;
                }
                ++result.sent;
                const QString reply = SendTableValue(write.command, CellTimeoutSeconds);
                const bool answered = result.noteReply(reply);
                if (!run.windowOpen())
                    return;
                const ReplyStatus status = ClassifyReply(reply);
                display.show([this, row, col] { makeCurrent(row, col); });
                colourByReply(*CalGrid, row, col, status, CalGrid->BackColor());
                if (!answered) {
                    stop = true; // the meter stopped answering
                } else if (status == ReplyStatus::PasswordNeeded) {
                    display.flush();
                    appUi().MsgBox(QStringLiteral("Password Needed"));
                    stop = true;
                }
                appClock().processEvents();
            }
        }
    });
    result.endWrite(toWrite, run.windowOpen());
}

void FormCalFactors::runMeterCommand(const MeterCommand &command)
{
    const int style = Msg::YesNo | Msg::Question | Msg::DefaultButton2;
    if (appUi().MsgBox(command.prompt, style, command.title) != Msg::Yes)
        return;
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    SetupModeBracket bracket;
    bracket.opening = SetupModeBracket::Opening::CalibratePassword;
    const SetupModeRun ran = run.inSetupMode(bracket, [&] {
        DisableButtons();
        const QString reply = SendToMeter(command.command, WholeSetTimeoutSeconds);
        mainHost().setStatusText(ClassifyReply(reply) == ReplyStatus::Done ? command.success : command.failure);
    });
    if (ran == SetupModeRun::NotRun)
        return;
    appClock().sleepMs(500);
    if (run.windowOpen())
        Command_LoadAllCalFactors_Click();
}

void FormCalFactors::Command_Backup_Click()
{
    runMeterCommand({QStringLiteral("CB"), QStringLiteral("Backup Calibration"),
                     QStringLiteral("This will copy the active calibration factors for all ranges to EEPROM backup "
                                    "- please confirm"),
                     QStringLiteral("Cal Factors backed up ok"), QStringLiteral("Error - Cal not backed up")});
}

void FormCalFactors::Command_ClearAll_Click()
{
    runMeterCommand({QStringLiteral("CC"), QStringLiteral("Clear Calibration"),
                     QStringLiteral("This will clear calibration for all ranges - please confirm"),
                     QStringLiteral("Cal Factors cleared ok"), QStringLiteral("Error - Cal not cleared")});
}

void FormCalFactors::Command_Restore_Click()
{
    runMeterCommand({QStringLiteral("CR"), QStringLiteral("Restore Calibration"),
                     QStringLiteral("This will copy the EEPROM backup calibration factors over the current active "
                                    "calibration factors - please confirm"),
                     QStringLiteral("Cal Factors restored"), QStringLiteral("Error - Cal not restored")});
}

QString FormCalFactors::proposedFileName()
{
    return QStringLiteral("DMMBackup-") + TextConv::FormatDate(appClock().now(), QStringLiteral("DDMMMYY")) + CalFileExt;
}

QList<QStringList> FormCalFactors::gridRows() const
{
    QList<QStringList> rows;
    for (int row = 1; row < CalGrid->Rows(); ++row) {
        QStringList cells;
        for (int col = 0; col < CalGrid->Cols(); ++col)
            cells << CalGrid->TextMatrix(row, col);
        rows << cells;
    }
    return rows;
}

void FormCalFactors::Command_FileSave_Click()
{
    FileDialogRequest request;
    request.filter = CalFileFilter;
    request.filterIndex = 1;
    request.defaultExt = CalFileExt;
    request.fileName = proposedFileName();
    request.flags = FileDialogRequest::SaveOverwriteCheck;
    const std::optional<QString> path = appUi().ShowSave(request);

    // A failed save leaves an earlier backup of that name as it was.
    bool saved = false;
    if (path && !path->isEmpty()) {
        const QList<QStringList> rows = gridRows();
        if (const std::optional<UnwritableText> bad = findUnwritableText(QString(), rows)) {
            appUi().MsgBox(unwritableTextMessage(*bad), Msg::Critical);
            return;
        }
        saved = saveTableFile(*path, CalFactors::encodeCalFile(rows));
    }
    if (!saved)
        appUi().MsgBox(QStringLiteral("Backup not saved"), Msg::Critical);
}

void FormCalFactors::Command_FileLoad_Click()
{
    FileDialogRequest request;
    request.filter = CalFileFilter;
    request.filterIndex = 1;
    request.defaultExt = CalFileExt;
    request.flags = FileDialogRequest::FileMustExist;
    const std::optional<QString> path = appUi().ShowOpen(request);
    const auto notLoaded = [] { appUi().MsgBox(QStringLiteral("Calibration Settings Not Loaded"), Msg::Critical); };
    if (!path) {
        notLoaded();
        return;
    }
    if (path->isEmpty())
        return;
    // The table is replaced only once a file was chosen.
    resetGrid();

    QByteArray content;
    const QString error = readTableFile(*path, content);
    if (error == FileTooLargeText) {
        appUi().MsgBox(FileTooLargeText, Msg::Critical);
        return;
    }
    const bool readWhole = error.isEmpty();

    // Line n of the file is range n, empty lines included. The grid grows once to hold
    // them all (up to what it can hold; the rows beyond end the load below).
    const QStringList lines = CalFactors::calFileLines(content);
    growTo(std::min(int(lines.size()), CalFactors::MaxGridRows - 1), 1);
    int row = 1;
    int lastRow = 0, lastCol = 0;
    bool fitted = true;
    for (const QString &line : lines) {
        const QStringList cells = CalFactors::parseCalFileLine(line);
        if (!growTo(row, std::max(1, int(cells.size()) - 1))) {
            fitted = false;
            break;
        }
        for (int col = 0; col < cells.size(); ++col) {
            CalGrid->setTextMatrix(row, col, cells[col]);
            if (col >= 1) {
                CalGrid->setCellBackColorAt(row, col, CellColour::Pending);
                lastRow = row;
                lastCol = col;
            }
        }
        ++row;
    }
    if (lastRow > 0)
        makeCurrent(lastRow, lastCol);
    if (!readWhole || !fitted) {
        notLoaded();
        return;
    }
    nameAcColumns();
}
