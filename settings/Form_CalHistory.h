#pragma once
#include "settings/CalHistory.h"
#include "settings/SettingsWindow.h"

class QLabel;
class QListWidget;

// "Calibration History": the meter's calibration events, newest first, and the ranges
// calibrated in the selected one. It only reads, each time it becomes active and on Update.
// Laid out in twips; a resize keeps the bottom buttons and stretches the two lists.
class Form_CalHistory : public SettingsWindow
{
    Q_OBJECT
public:
    explicit Form_CalHistory(QWidget *parent = nullptr);

    QLabel *Label1;
    QListWidget *List_CalEvents;
    QLabel *Label2;
    QListWidget *ListView1;
    QPushButton *Command_Update;

    void UpdateCalibrationEvents();
    void Update_CalRanges_View();
    void Form_Load();
    void Form_Activate() override;
    void Command_Update_Click();
    void List_CalEvents_Click();
    void Form_Resize();

    const QList<CalibrationEvent> &events() const { return m_events; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<CalibrationEvent> m_events{2};
};
