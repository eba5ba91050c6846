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
    // What the last read that reached the boxes could tell.
    enum class InfoRead {
        None,      // no read reached them
        Placed,    // each box shows the text of its own slot
        NotPlaced, // the reply did not show which slot each text came from
    };
    // Whether every text may be stored, with a message for the first that may not: one
    // holding "*", or one a read would take for another field. The texts marked as read from
    // their own slot and left unchanged go back as they were, whatever they begin with.
    bool mayStore(const QList<std::optional<QString>> &texts, const QList<bool> &asRead = {}) const;
    // Writes texts[i] as slot i + 1 inside setup mode, stopping at the first refusal; a slot
    // without a text is left as the meter keeps it.
    void writeInformation(const RunGuard::Run &run, const QList<std::optional<QString>> &texts);
    // Per box: whether Set Info writes it when the last read placed the texts or none reached
    // the boxes - typed by the user since it was last read, or filled by a complete read that
    // could tell which slot its text came from. A read that did not complete leaves the boxes
    // as they were.
    std::array<bool, MeterInformation::InfoLines> m_infoToWrite{};
    // The text the last complete read put into each box, and whether it could place them.
    std::array<std::optional<QString>, MeterInformation::InfoLines> m_infoRead{};
    InfoRead m_infoReadKind = InfoRead::None;
    // The serial box's text as it stood before the edit being checked.
    QString m_serialShown;
};
