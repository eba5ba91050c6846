#include "settings/FormMeterInformation.h"
#include "widgets/CentreForm.h"
#include "link/MeterOperation.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

using namespace MeterInformation;

namespace {

constexpr int ReplySeconds = 5;
const QString SerialTitle = QStringLiteral("Serial Number");
const QString InformationTitle = QStringLiteral("Meter Information");
const QString StarRefused = QStringLiteral("\"*\" cannot be stored in the meter");

// Typing stops at 9 characters, as the box's length limit; unlike a length limit it keeps
// a longer serial number read from the meter whole, and lets it be shortened.
class TypedLengthLimit : public QValidator
{
public:
    TypedLengthLimit(const QString &shown, QObject *parent) : QValidator(parent), m_shown(shown) {}
    State validate(QString &input, int &) const override
    {
        return input.size() > SerialTypedLength && input.size() > m_shown.size() ? Invalid : Acceptable;
    }

private:
    const QString &m_shown;
};

} // namespace

FormMeterInformation::FormMeterInformation(QWidget *parent)
    : SettingsWindow(QStringLiteral("FormMeterInformation"), QStringLiteral("Meter Information"), QStringLiteral("E&xit"),
                     parent)
    , Label1(named(new QLabel(QStringLiteral("Serial Number"), this), QStringLiteral("Label1")))
    , Text_Serial(named(new QLineEdit(this), QStringLiteral("Text_Serial")))
    , Command_SetSerial(
          named(new QPushButton(QStringLiteral("Set Serial Number"), this), QStringLiteral("Command_SetSerial")))
    , Command_SetInfo(named(new QPushButton(QStringLiteral("Set Info"), this), QStringLiteral("Command_SetInfo")))
    , Label2(named(new QLabel(QStringLiteral("Information        (3 Lines)"), this), QStringLiteral("Label2")))
    , Text_Information(named(new QPlainTextEdit(this), QStringLiteral("Text_Information")))
    , Command_Information(
          named(new QPushButton(QStringLiteral("Set Information"), this), QStringLiteral("Command_Information")))
    , Command_Read(named(new QPushButton(QStringLiteral("Read"), this), QStringLiteral("Command_Read")))
{
    auto *grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text_Serial, 0, 1);
    grid->addWidget(Command_SetSerial, 0, 2);
    for (int i = 0; i < InfoLines; ++i) {
        Label_Info[i] = named(new QLabel(QStringLiteral("Info"), this), QStringLiteral("Label_Info(%1)").arg(i));
        Text_Info[i] = named(new QLineEdit(this), QStringLiteral("Text_Info(%1)").arg(i));
        grid->addWidget(Label_Info[i], 1 + i, 0);
        grid->addWidget(Text_Info[i], 1 + i, 1);
        connect(Text_Info[i], &QLineEdit::textEdited, this, [this, i] { m_infoToWrite[i] = true; });
    }
    grid->addWidget(Command_SetInfo, 3, 2);
    grid->addWidget(Label2, 4, 0, 1, 2);
    grid->addWidget(Text_Information, 5, 0, 1, 2);
    grid->addWidget(Command_Information, 5, 2, Qt::AlignBottom);
    grid->setColumnMinimumWidth(1, 220);
    Text_Information->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text_Information->setFixedHeight(Text_Information->fontMetrics().lineSpacing() * 4 + 12);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(exitRow({Command_Read}));

    Text_Serial->setValidator(new TypedLengthLimit(m_serialShown, Text_Serial));
    connect(Text_Serial, &QLineEdit::textChanged, this, [this](const QString &text) { m_serialShown = text; });
    connect(Command_SetSerial, &QPushButton::clicked, this, &FormMeterInformation::Command_SetSerial_Click);
    connect(Command_SetInfo, &QPushButton::clicked, this, &FormMeterInformation::Command_SetInfo_Click);
    connect(Command_Information, &QPushButton::clicked, this, &FormMeterInformation::Command_Information_Click);
    connect(Command_Read, &QPushButton::clicked, this, &FormMeterInformation::Command_Read_Click);
    new MeterControls(this, {Command_SetSerial, Command_SetInfo, Command_Information, Command_Read});
}

void FormMeterInformation::Form_Load()
{
    CentreForm(*this);
    Command_Read_Click();
}

void FormMeterInformation::Command_Read_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    const Hourglass hourglass(appUi());
    const Reading reading = parseVersionReply(SendToMeter(QStringLiteral("v"), ReplySeconds));
    if (!run.windowOpen())
        return;
    if (!reading.complete)
        appUi().MsgBox(QStringLiteral("Meter information not read"), Msg::Exclamation, InformationTitle);
    if (reading.serial)
        Text_Serial->setText(*reading.serial);
    for (int i = 0; i < InfoLines; ++i) {
        if (reading.info[i]) {
            Text_Info[i]->setText(*reading.info[i]);
            m_infoToWrite[i] = reading.slotsKnown;
        }
    }
    appClock().sleepMs(50);
}

void FormMeterInformation::writeInformation(const QList<std::optional<QString>> &texts)
{
    QList<std::optional<QString>> commands;
    for (int i = 0; i < texts.size(); ++i)
        commands << (texts[i] ? std::optional(infoCommand(i, *texts[i])) : std::nullopt);
    for (int i = 0; i < texts.size(); ++i) {
        if (!commands[i])
            continue;
        if (!readsBackWhole(*commands[i])) {
            appUi().MsgBox(StarRefused, Msg::Exclamation, InformationTitle);
            return;
        }
        if (const QString word = fieldWordOf(*texts[i]); !word.isEmpty()) {
            appUi().MsgBox(QLatin1Char('"') + word + QStringLiteral("\" cannot begin an information line"),
                           Msg::Exclamation, InformationTitle);
            return;
        }
    }
    if (commands.contains(std::nullopt)) {
        appUi().MsgBox(QStringLiteral("Info boxes not read from the meter are not written"), Msg::Information,
                       InformationTitle);
        if (commands.count(std::nullopt) == commands.size())
            return;
    }

    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    run.inSetupMode(SetupModeBracket{}, [&commands, &run] {
        for (int i = 0; i < commands.size(); ++i) {
            if (!commands[i])
                continue;
            const ReplyStatus status = ClassifyReply(SendToMeter(*commands[i], ReplySeconds));
            if (!run.windowOpen())
                return; // closed meanwhile: nothing more is sent
            if (status != ReplyStatus::Done) {
                appUi().MsgBox(QStringLiteral("Set Information Failed ") + QString::number(i));
                return;
            }
        }
    });
}

void FormMeterInformation::Command_SetInfo_Click()
{
    QList<std::optional<QString>> texts;
    for (int i = 0; i < InfoLines; ++i)
        texts << (m_infoToWrite[i] ? std::optional(Text_Info[i]->text()) : std::nullopt);
    writeInformation(texts);
}

void FormMeterInformation::Command_Information_Click()
{
    if (Text_Information->toPlainText().isEmpty()) {
        appUi().MsgBox(QStringLiteral("Enter Meter Information (Up to six lines)"), Msg::Information,
                       QStringLiteral("Meter Information"));
        return;
    }
    QList<std::optional<QString>> texts;
    for (const QString &line : informationLines(Text_Information->toPlainText()))
        texts << line;
    writeInformation(texts);
}

void FormMeterInformation::Command_SetSerial_Click()
{
    if (Text_Serial->text().isEmpty()) {
        appUi().MsgBox(QStringLiteral("Enter a serial number"), Msg::Information, SerialTitle);
        return;
    }
    const QString command = serialCommand(Text_Serial->text());
    if (!readsBackWhole(command)) {
        appUi().MsgBox(StarRefused, Msg::Exclamation, SerialTitle);
        return;
    }
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    SetupModeBracket bracket;
    bracket.refusalStyle = Msg::Exclamation;
    bracket.refusalTitle = SerialTitle;
    run.inSetupMode(bracket, [&command] {
        if (ClassifyReply(SendToMeter(command, ReplySeconds)) != ReplyStatus::Done)
            appUi().MsgBox(QStringLiteral("Set Serial Number Failed "), Msg::Exclamation, SerialTitle);
    });
}
