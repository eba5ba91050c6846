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

QString fieldWordRefused(const QString &word)
{
    return QLatin1Char('"') + word + QStringLiteral("\" cannot begin an information line");
}

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
            m_infoRead[i] = reading.info[i];
            m_infoReadKind = reading.slotsKnown ? InfoRead::Placed : InfoRead::NotPlaced;
        }
    }
    appClock().sleepMs(50);
}

bool FormMeterInformation::mayStore(const QList<std::optional<QString>> &texts, const QList<bool> &asRead) const
{
    for (int i = 0; i < texts.size(); ++i) {
        if (!texts[i])
            continue;
        if (!readsBackWhole(infoCommand(i, *texts[i]))) {
            appUi().MsgBox(StarRefused, Msg::Exclamation, InformationTitle);
            return false;
        }
        if (i < asRead.size() && asRead[i])
            continue;
        if (const QString word = fieldWordOf(*texts[i]); !word.isEmpty()) {
            appUi().MsgBox(fieldWordRefused(word), Msg::Exclamation, InformationTitle);
            return false;
        }
    }
    return true;
}

void FormMeterInformation::writeInformation(const RunGuard::Run &run, const QList<std::optional<QString>> &texts)
{
    run.inSetupMode(SetupModeBracket{}, [&texts, &run] {
        for (int i = 0; i < texts.size(); ++i) {
            if (!texts[i])
                continue;
            const ReplyStatus status = ClassifyReply(SendToMeter(infoCommand(i, *texts[i]), ReplySeconds));
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
    // The meter is taken before anything is asked or told: while another operation holds
    // it, the busy message alone is shown. A window closed during a question sends nothing.
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    QList<std::optional<QString>> texts;
    QList<bool> asRead;
    QStringList leftOut;
    for (int i = 0; i < InfoLines; ++i) {
        const QString text = Text_Info[i]->text();
        const bool unchanged = m_infoRead[i] == text;
        if (m_infoReadKind == InfoRead::NotPlaced) {
            // Every box goes to the slot of its number, as shown. An unchanged text may have
            // come from another slot, so one a read would take for another field stays out.
            const QString word = unchanged ? fieldWordOf(text) : QString();
            if (!word.isEmpty())
                leftOut << QStringLiteral("Info box %1 is left out: ").arg(i + 1) + fieldWordRefused(word) + '.';
            texts << (word.isEmpty() ? std::optional(text) : std::nullopt);
            asRead << false;
        } else {
            texts << (m_infoToWrite[i] ? std::optional(text) : std::nullopt);
            asRead << (m_infoReadKind == InfoRead::Placed && unchanged);
        }
    }
    if (!mayStore(texts, asRead))
        return;
    if (m_infoReadKind == InfoRead::NotPlaced) {
        // Nothing is written unless the user agrees to store the boxes as they stand.
        QStringList prompt{
            QStringLiteral("The meter's reply does not show which information line each Info box holds.")};
        prompt << leftOut;
        if (texts.count(std::nullopt) == texts.size()) {
            prompt << QStringLiteral("Nothing is written.");
            appUi().MsgBox(prompt.join('\n'), Msg::Information, InformationTitle);
            return;
        }
        prompt << (leftOut.isEmpty() ? QStringLiteral("Store the three Info boxes")
                                     : QStringLiteral("Store the other Info boxes"))
                      + QStringLiteral(" exactly as shown, each as the meter's line of the same number?");
        if (appUi().MsgBox(prompt.join('\n'), Msg::YesNo | Msg::Question | Msg::DefaultButton2, InformationTitle) !=
            Msg::Yes)
            return;
    } else if (texts.contains(std::nullopt)) {
        appUi().MsgBox(QStringLiteral("Info boxes not read from the meter are not written"), Msg::Information,
                       InformationTitle);
        if (texts.count(std::nullopt) == texts.size())
            return;
    }
    writeInformation(run, texts);
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
    if (!mayStore(texts))
        return;
    if (const RunGuard::Run run = guard.beginOnMeter())
        writeInformation(run, texts);
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
