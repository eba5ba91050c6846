#pragma once
#include "tables/grid/GridEditorForm.h"
#include "widgets/RunGuard.h"

#include <QStringList>

class QProgressBar;
class QPushButton;

// "Calibration Factors": the meter's calibration factors as one table, one row per
// calibration range (row r is range r) and one column per calibration point (column c is
// point c - 1). Reads the table with "pa" when loaded, writes each pending cell back with
// its own "Ww" command, files the table as *.cal, and starts the meter's own backup, clear
// and restore of the whole set.
class FormCalFactors : public GridEditorForm
{
    Q_OBJECT
public:
    explicit FormCalFactors(QWidget *parent = nullptr);

    QPushButton *Command_LoadAllCalFactors;
    QPushButton *Command_FileLoad;
    QPushButton *Command_Backup;
    QPushButton *Command_ClearAll;
    QPushButton *Command_Exit;
    QPushButton *Command_FileSave;
    QPushButton *Command_SaveAll;
    QPushButton *Command_Restore;
    // Present on the window; nothing drives it.
    QProgressBar *ProgressBar1;

    // Every button but Exit.
    void DisableButtons();
    void EnableButtons();

    void Form_Load();
    // Reads the whole table from the meter ("pa").
    void Command_LoadAllCalFactors_Click();
    // Writes every pending cell into the meter inside a setup-mode bracket. An answer that
    // comes after a cell's time-out, while it is waited for, is that cell's; the first
    // value still unanswered ends the save, with a message of how many values were not
    // written.
    void Command_SaveAll_Click();
    // The meter's own copy, clear and restore of the whole set, each confirmed first and
    // followed by a fresh load.
    void Command_Backup_Click();
    void Command_ClearAll_Click();
    void Command_Restore_Click();
    // *.cal files.
    void Command_FileSave_Click();
    void Command_FileLoad_Click();
    // Unloads the window (after a load or save under way has wound up).
    void Command_Exit_Click();

    // The proposed name of a saved file: "DMMBackup-", the date as DDMMMYY, ".cal".
    static QString proposedFileName();

protected:
    // The close box unloads the window as Exit does.
    void closeEvent(QCloseEvent *event) override;

private:
    // Pending cells a save would send: what it is to write.
    int pendingCellsToSend() const;
    struct MeterCommand;
    void runMeterCommand(const MeterCommand &command);
    // Empty 5 x 5 grid with the DC headers and the fixed sizes.
    void resetGrid();
    // Grows the grid to hold row and col; false when that passes the editor's limits.
    bool growTo(int row, int col);
    void nameAcColumns();
    void makeCurrent(int row, int col);
    QList<QStringList> gridRows() const;

    // Loads, saves and the whole-set commands yield while they wait for the meter: Exit
    // meanwhile unloads the window once they have wound up. Saves run one at a time.
    RunGuard m_guard{this};
};
