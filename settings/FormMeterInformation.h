#pragma once
#include "settings/MeterInformation.h"
#include "settings/SettingsWindow.h"

#include <QList>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// "Meter Information": the meter's serial number and its three free-text information lines
// (slots 01 to 03), read from its "v" reply and written back inside setup mode. Nothing is
// read back after a write.
class FormMeterInformation : public SettingsWindow
{
    Q_OBJECT
public:
    explicit FormMeterInformation(QWidget *parent = nullptr);

    QLabel *Label1;
    QLineEdit *Text_Serial; // at most 9 characters can be typed
    QPushButton *Command_SetSerial;
    std::array<QLabel *, MeterInformation::InfoLines> Label_Info{};
    std::array<QLineEdit *, MeterInformation::InfoLines> Text_Info{};
    QPushButton *Command_SetInfo;
    QLabel *Label2;
    QPlainTextEdit *Text_Information;
    QPushButton *Command_Information;
    QPushButton *Command_Read;

    void Form_Load();
    void Command_Read_Click();
    void Command_SetInfo_Click();
    void Command_Information_Click();
    void Command_SetSerial_Click();

private:
    // Writes texts[i] as slot i + 1 inside setup mode, stopping at the first refusal; a slot
    // without a text is left as the meter keeps it. Nothing is sent when a text would not
    // read back as itself.
    void writeInformation(const QList<std::optional<QString>> &texts);
    // Per box: whether Set Info writes it - typed by the user since it was last read, or
    // filled by a complete read that could tell which slot its text came from. A read that
    // did not complete leaves the boxes as they were.
    std::array<bool, MeterInformation::InfoLines> m_infoToWrite{};
    // The serial box's text as it stood before the edit being checked.
    QString m_serialShown;
};
