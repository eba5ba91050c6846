#include "tables/specs/SpecTableEditor.h"

#include "link/Communication.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/database/UncertaintyExport.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/TableFileText.h"
#include "widgets/FormProgress.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "widgets/PacedDisplay.h"
#include "widgets/Twips.h"
#include "widgets/WindowRegistry.h"
#include "widgets/WrappingButton.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace SpecTable;

namespace {

// The inner area of the window when it opens, in twips.
constexpr int FormWidth = 15420;
constexpr int FormHeight = 11190;
constexpr int LabelColumnWidth = 2400;
constexpr int HeaderRowHeight = 550;

const QString SetupModeError = QStringLiteral("Error entering setup mode");
const QString BackupNotSaved = QStringLiteral("Backup not saved");

void place(QWidget *widget, const Place &p) { Twips::place(*widget, p.left, p.top, p.width, p.height); }

} // namespace

SpecTableEditor::SpecTableEditor(const SpecTableKind &kind, QWidget *parent)
    : GridEditorForm(GridEditStyle{GridEditStyle::Caret::SelectAll, GridEditStyle::BoxAtLoad::MovedOutOfView}, parent)
    , Command_LoadAllCalFactors(named(new WrappingButton(QStringLiteral("Load From Meter"), this), "Command_LoadAllCalFactors"))
    , Command_SaveAll(named(new WrappingButton(QStringLiteral("Save To Meter"), this), "Command_SaveAll"))
    , Command_FileLoad(named(new WrappingButton(QStringLiteral("Load from File"), this), "Command_FileLoad"))
    , Command_FileSave(named(new WrappingButton(QStringLiteral("Save to File"), this), "Command_FileSave"))
    , Command_ClearAll(named(new WrappingButton(QStringLiteral("Clear Meter"), this), "Command_ClearAll"))
    , Command_Exit(named(new WrappingButton(QStringLiteral("Exit"), this), "Command_Exit"))
    , Command_SaveDB(named(new WrappingButton(kind.saveDbCaption, this), "Command_SaveDB"))
    , Label1(named(new QLabel(QStringLiteral("Version"), this), "Label1"))
    , Text_Version(named(new QLineEdit(this), "Text_Version"))
    , m_kind(kind)
{
    setWindowFlag(Qt::Window);
    setObjectName(QString::fromLatin1(kind.windowName));
    setWindowTitle(kind.caption);

    place(Command_LoadAllCalFactors, kind.loadFromMeter);
    place(Command_SaveAll, kind.saveToMeter);
    place(Command_FileLoad, kind.loadFromFile);
    place(Command_FileSave, kind.saveToFile);
    place(Command_ClearAll, kind.clearMeter);
    place(Command_Exit, kind.exit);
    place(Command_SaveDB, kind.saveDb);
    place(Label1, kind.versionLabel);
    place(Text_Version, kind.version);
    place(CalGrid, kind.grid);
    CalGrid->setFont(QFont(QStringLiteral("Arial")));
    resize(Twips::toPixels(FormWidth), Twips::toPixels(FormHeight));

    connect(Command_LoadAllCalFactors, &QPushButton::clicked, this, &SpecTableEditor::Command_LoadAllCalFactors_Click);
    connect(Command_SaveAll, &QPushButton::clicked, this, &SpecTableEditor::Command_SaveAll_Click);
    connect(Command_FileLoad, &QPushButton::clicked, this, &SpecTableEditor::Command_FileLoad_Click);
    connect(Command_FileSave, &QPushButton::clicked, this, &SpecTableEditor::Command_FileSave_Click);
    connect(Command_ClearAll, &QPushButton::clicked, this, &SpecTableEditor::Command_ClearAll_Click);
    connect(Command_Exit, &QPushButton::clicked, this, &SpecTableEditor::Command_Exit_Click);
    connect(Command_SaveDB, &QPushButton::clicked, this, &SpecTableEditor::Command_SaveDB_Click);
    new MeterControls(this, {Command_LoadAllCalFactors, Command_SaveAll, Command_ClearAll});
    // Each of these replaces the table a read, save or clear is working on, or the version
    // a save stamps it with.
    new TableControls(this, {Command_LoadAllCalFactors, Command_FileLoad, Command_ClearAll, Text_Version});
}

void SpecTableEditor::Form_Load()
{
    Text_Edit->move(-Text_Edit->width(), Text_Edit->y());
    InitCalGrid();
    if (!state().OfflineMode) {
        if (const RunGuard::Run run = m_guard.beginOnMeter(); run && !readFromMeter(run))
            return;
    }
    Text_Version->clear();
    if (state().UserMode) {
        // The version comes only from a file; the meter's table is not cleared by a user.
        Command_ClearAll->hide();
        Text_Version->setEnabled(false);
    }
}

void SpecTableEditor::DisableButtons()
{
    for (QPushButton *button : {Command_LoadAllCalFactors, Command_SaveAll, Command_ClearAll, Command_FileLoad, Command_FileSave})
        button->setEnabled(false);
}

void SpecTableEditor::EnableButtons()
{
    for (QPushButton *button : {Command_LoadAllCalFactors, Command_SaveAll, Command_ClearAll, Command_FileLoad, Command_FileSave})
        button->setEnabled(true);
}

void SpecTableEditor::InitCalGrid()
{
    // An edit left open belongs to the table being replaced: it must not land in the new one.
    Text_Edit->hide();
    CalGrid->setCols(Columns);
    CalGrid->setRows(2);
    CalGrid->Clear();
    CalGrid->setColWidth(0, LabelColumnWidth);
    CalGrid->setRowHeight(0, HeaderRowHeight);
    for (int column = 1; column < Columns; ++column)
        CalGrid->setTextMatrix(0, column, headerText(column));
}

void SpecTableEditor::storeCell(int row, int column, const QString &text)
{
    // The grid grows by empty rows to hold the row written.
    if (CalGrid->Rows() <= row)
        CalGrid->setRows(row + 1);
    CalGrid->setTextMatrix(row, column, text);
}

// --- reading from the meter ---

void SpecTableEditor::Command_LoadAllCalFactors_Click()
{
    if (const RunGuard::Run run = m_guard.beginOnMeter())
        readFromMeter(run);
}

bool SpecTableEditor::readFromMeter(const RunGuard::Run &run)
{
    if (m_kind.versionEmptiedOnRead)
        Text_Version->clear();
    DisableButtons();
    {
        const Hourglass hourglass(appUi());
        InitCalGrid();

        FormProgress &progress = appWindows().form<FormProgress>();
        progress.show();
        progress.SetMaxLines(ReadProgressLines);
        appClock().processEvents();
        if (!run.windowOpen())
            return false;

        const QString reply = SendToMeter(m_kind.readCommand, ReadTimeoutSeconds);
        appWindows().unload<FormProgress>();
        if (!run.windowOpen())
            return false;

        // Lines are taken in order; a line for any other row than the next one is skipped.
        int row = 1;
        const QStringList lines = replyLines(reply, m_kind.lineRule);
        for (const QString &line : lines) {
            if (const std::optional<ReplyRow> parsed = parseReplyRow(line, row)) {
                storeCell(row, 0, parsed->label);
                for (int j = 0; j < parsed->values.size(); ++j)
                    storeCell(row, j + 1, parsed->values[j]);
                ++row;
            }
            appClock().processEvents();
            if (!run.windowOpen())
                return false;
            if (run.stopRequested())
                break;
        }
        // The rows were put one pass of the event loop at a time: the whole table shows now.
        CalGrid->Refresh();
    }
    EnableButtons();
    return true;
}

// --- writing to the meter ---

QString SpecTableEditor::writeCell(int row, int column, double value, const RunGuard::Run &run)
{
    CalGrid->setCellBackColorAt(row, column, CellColour::BeingWritten);
    const QString reply = SendTableValue(writeCommand(m_kind, row, column - 1, value), CellTimeoutSeconds);
    // An Ethernet exchange lets the window system run while it waits.
    if (run.windowOpen())
        colourByReply(*CalGrid, row, column, ClassifyReply(reply), CalGrid->BackColor()); // a password request leaves it green
    return reply;
}

int SpecTableEditor::pendingMeterCells() const
{
    int pending = 0;
    for (int row = 1; row <= LastMeterRow && row < CalGrid->Rows(); ++row)
        for (int column = 1; column <= ValueColumns; ++column)
            if (!CalGrid->TextMatrix(row, column).isEmpty() && CalGrid->cellBackColorAt(row, column) == CellColour::Pending)
                ++pending;
    return pending;
}

void SpecTableEditor::Command_SaveAll_Click() { writePendingToMeter(WriteFor::User); }

MeterWriteResult SpecTableEditor::writePendingToMeter(WriteFor writeFor)
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    // Counted once the run has started: its start commits an edit still open in the box.
    const int toWrite = pendingMeterCells();
    if (!run)
        return MeterWriteResult{.notWritten = toWrite};
    // The version the line stamps: the window may be gone when the line is sent.
    const QString version = Text_Version->text();
    MeterWriteResult result;
    SetupModeBracket bracket;
    bracket.opening = SetupModeBracket::Opening::CalibratePassword;
    bracket.refusalMessage = SetupModeError;
    const SetupModeRun ran = run.inSetupMode(bracket, [&] {
        DisableButtons();
        PacedDisplay display(run);
        bool passwordNeeded = false;
        for (int row = 1; !result.endedEarly && row < CalGrid->Rows(); ++row) {
            for (int column = 1; column <= ValueColumns; ++column) {
                const QString text = CalGrid->TextMatrix(row, column);
                if (text.isEmpty())
                    continue;
                // Making the cell current also commits an edit still open in the box (the
                // first cell is made current at once, the rest at the display's pace).
                display.show([this, row, column] {
                    CalGrid->setRow(row);
                    CalGrid->setCol(column);
                });
                if (CalGrid->cellBackColorAt(row, column) != CellColour::Pending)
                    continue;

                const std::optional<double> value = cellNumber(text);
                if (!value) {
                    // Not a number: nothing the meter could take. Marked failed, not sent.
                    CalGrid->setCellBackColorAt(row, column, CellColour::Failed);
                    continue;
                }
                if (row > LastMeterRow)
                    continue; // the meter has no such row: nothing is sent, the cell stays pending
                ++result.sent;
                const QString reply = writeCell(row, column, *value, run);
                if (!result.noteReply(reply))
                    break; // the meter stopped answering
                if (ClassifyReply(reply) == ReplyStatus::PasswordNeeded) {
                    passwordNeeded = result.endedEarly = true;
                    if (run.windowOpen()) {
                        display.flush();
                        appUi().MsgBox(QStringLiteral("Setup Password Needed"));
                    }
                    break;
                }
                appClock().processEvents();
                if (!run.windowOpen() || run.stopRequested()) {
                    result.endedEarly = true;
                    break;
                }
            }
        }

        display.flush();
        // A value that is not a number was never sent, yet the table is not whole without it.
        result.countNotWritten(toWrite);
        // After "*6" the meter would refuse the line too. Otherwise a table the write may
        // have changed never keeps the meter's earlier version line: after a time-out (the
        // line waits for the value's answer like any next command, and is judged by its own
        // reply), Stop, refusals, and a window closed under the write alike.
        if (!passwordNeeded) {
            if (const std::optional<QString> line =
                    informationLine(m_kind, version, result, appClock().now().date())) {
                if (!run.windowOpen())
                    meterGate().letOutWhileWindingUp(*line); // the no-version form: the write ended early
                result.informationAccepted = SendInformationLine(*line);
                // After a time-out the write's one no-reply message tells what happened.
                if (!result.informationAccepted && !result.timedOut && run.windowOpen())
                    appUi().MsgBox(QStringLiteral("Set Information Failed "));
            }
        }
    });
    const bool wrote = ran != SetupModeRun::NotRun && ran != SetupModeRun::Skipped && run.windowOpen();
    if (wrote)
        EnableButtons();
    result.endWrite(toWrite, wrote && writeFor == WriteFor::User);
    return result;
}

// --- clearing the meter's table ---

void SpecTableEditor::Command_ClearAll_Click()
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    const Msg::Answer answer = appUi().MsgBox(m_kind.clearQuestion, Msg::YesNo | Msg::Question | Msg::DefaultButton2,
                                              m_kind.clearTitle);
    if (!run.windowOpen() || answer != Msg::Yes)
        return;
    // The kind's texts outlive the window, which may be unloaded while the meter clears.
    const SpecTableKind &kind = m_kind;
    SetupModeBracket bracket;
    bracket.refusalMessage = SetupModeError;
    const SetupModeRun ran = run.inSetupMode(bracket, [&] {
        DisableButtons();
        const QString reply = SendToMeter(kind.clearCommand, ClearTimeoutSeconds);
        mainHost().setStatusText(ClassifyReply(reply) == ReplyStatus::Done ? kind.clearedText : kind.notClearedText);
    });
    if (ran == SetupModeRun::NotRun || !run.windowOpen())
        return;
    if (run.stopRequested())
        EnableButtons();
    else
        readFromMeter(run);
}

// --- files ---

void SpecTableEditor::FileLoad(const QString &path)
{
    Text_Version->clear();
    InitCalGrid();

    QByteArray bytes;
    if (const QString error = readTableFile(path, bytes); !error.isEmpty()) {
        appUi().MsgBox(m_kind.loadErrorText + error);
        return;
    }

    const TableFile table = parseTableFile(bytes);
    if (!table.refusal.isEmpty()) {
        appUi().MsgBox(m_kind.loadErrorText + table.refusal);
        return;
    }
    Text_Version->setText(table.version);
    // The whole file in one go: the grid grows once to hold every row, and every value
    // read waits to be written.
    CalGrid->fillRows(1, table.rows, CellColour::Pending);
}

void SpecTableEditor::Command_FileLoad_Click()
{
    FileDialogRequest request;
    request.filter = m_kind.fileFilter;
    request.filterIndex = 1;
    request.defaultExt = m_kind.fileExtension;
    request.flags = FileDialogRequest::FileMustExist;
    const std::optional<QString> path = appUi().ShowOpen(request);
    if (path && !path->isEmpty())
        FileLoad(*path);
}

void SpecTableEditor::Command_FileSave_Click()
{
    FileDialogRequest request;
    request.filter = m_kind.fileFilter;
    request.filterIndex = 1;
    request.defaultExt = m_kind.fileExtension;
    request.flags = FileDialogRequest::SaveOverwriteCheck;
    request.fileName = proposedFileName(m_kind, appClock().now().date());
    const std::optional<QString> path = appUi().ShowSave(request);
    if (!path)
        return;
    if (path->isEmpty()) {
        appUi().MsgBox(BackupNotSaved, Msg::Critical);
        return;
    }

    const QString version = Text_Version->text();
    const QList<QStringList> rows = tableCells();
    if (const std::optional<UnwritableText> bad = findUnwritableText(version, rows)) {
        appUi().MsgBox(unwritableTextMessage(*bad), Msg::Critical);
        return;
    }

    // The file is replaced only once the whole table is written.
    if (!saveTableFile(*path, tableFileBytes(version, rows)))
        appUi().MsgBox(BackupNotSaved, Msg::Critical);
}

QList<QStringList> SpecTableEditor::tableCells() const
{
    QList<QStringList> rows;
    for (int row = 1; row < CalGrid->Rows(); ++row) {
        QStringList cells;
        for (int column = 0; column < Columns; ++column)
            cells << CalGrid->TextMatrix(row, column);
        rows << cells;
    }
    return rows;
}

// --- database, exit ---

// Asks for the database file and exports the grid as it stands.

void SpecTableEditor::Command_SaveDB_Click()
{
    const GridCells cells = gridCellsOf(*CalGrid);
    switch (m_kind.databaseAction) {
    case DatabaseAction::AddRecords:
        SaveSpecificationsToUncertaintyDB(cells);
        break;
    case DatabaseAction::UpdateLabColumns:
        InsertUncertaintiesIntoUncertaintyDB(cells);
        break;
    }
}

void SpecTableEditor::Command_Exit_Click()
{
    m_guard.requestStop();
    m_guard.unloadWhenIdle();
}

void SpecTableEditor::closeEvent(QCloseEvent *event)
{
    // Closing unloads the window, as Exit does; the grid's contents are dropped.
    event->accept();
    Command_Exit_Click();
}
