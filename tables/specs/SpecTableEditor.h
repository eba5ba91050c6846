#pragma once
#include "tables/grid/GridEditorForm.h"
#include "widgets/RunGuard.h"
#include "tables/specs/SpecTable.h"
#include "link/MeterOperation.h"
#include "link/MeterWriteResult.h"

#include <QList>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;

// The editor of one of the meter's per-range, per-band tables (specifications or imported
// uncertainties, told apart by their SpecTableKind): read the table from the meter, edit it
// in place, write the pending cells back, clear it in the meter, keep it in a file. The
// grid is the only store: cell text is the value, cell colour the state (CellColours.h).
//
// Reads, saves and clears let the window system run between reply lines and between cells;
// the five table buttons are disabled meanwhile and a second one of them does nothing.
// Exit or closing the window during such a run stops it at the next cell or line (the
// setup mode is still left) and unloads the window afterwards.
class SpecTableEditor : public GridEditorForm
{
    Q_OBJECT
public:
    // Loads the window: an empty grid, then (unless OfflineMode) the table from the meter.
    explicit SpecTableEditor(const SpecTable::SpecTableKind &kind, QWidget *parent = nullptr);

    const SpecTable::SpecTableKind &kind() const { return m_kind; }

    QPushButton *Command_LoadAllCalFactors;
    QPushButton *Command_SaveAll;
    QPushButton *Command_FileLoad;
    QPushButton *Command_FileSave;
    QPushButton *Command_ClearAll;
    QPushButton *Command_Exit;
    QPushButton *Command_SaveDB;
    QLabel *Label1;
    QLineEdit *Text_Version;

    // Enabled off / on for the five table buttons; Save to DB and Exit stay usable.
    void DisableButtons();
    void EnableButtons();
    // 15 columns, 2 rows, every cell empty, the band headers; an edit left open is dropped.
    void InitCalGrid();
    // Reads a table file into the grid without a dialog: every value cell of the file
    // becomes pending and Text_Version the file's version. A file that cannot be read is
    // reported in a message box.
    void FileLoad(const QString &path);
    // Writes every pending cell of rows 1 to 70 into the meter inside the calibration
    // bracket, then the table's information line.
    void Command_SaveAll_Click();
    // The same save, reporting what the meter took: the pending values of rows 1 to 70 it
    // accepted and those it did not (refused, not numbers, or left unsent when the save
    // ended early), and whether it stored the information line. A save that cannot start
    // takes nothing. The first value the meter does not answer, even once its late answer
    // was waited for, ends the save there, and the user's own save says how many values
    // were not written.
    MeterWriteResult writePendingToMeter(WriteFor writeFor);

    void Form_Load();
    void Command_LoadAllCalFactors_Click();
    void Command_ClearAll_Click();
    void Command_FileLoad_Click();
    void Command_FileSave_Click();
    void Command_SaveDB_Click();
    void Command_Exit_Click();

    // The cell texts of grid rows 1 to the last, 15 columns each (labels in column 0): what
    // the file writer and the database export take.
    QList<QStringList> tableCells() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The read of Load From Meter. Returns false when the window was unloaded meanwhile
    // (then nothing of it may be touched any more).
    bool readFromMeter(const RunGuard::Run &run);
    // Sends one pending cell and colours it by the reply (unless the window was unloaded
    // while the exchange let the window system run). Returns the reply.
    QString writeCell(int row, int column, double value, const RunGuard::Run &run);
    // Pending cells with a value in the rows the meter keeps: what a save is to write.
    int pendingMeterCells() const;
    // Stores a cell text, growing the grid to hold the row.
    void storeCell(int row, int column, const QString &text);

    const SpecTable::SpecTableKind &m_kind;
    // Reads, saves and clears run one at a time.
    RunGuard m_guard{this};
};
