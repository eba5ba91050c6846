#include "settings/Form_InstalledOptions.h"
#include "widgets/CentreForm.h"
#include "link/MeterOperation.h"
#include "link/MeterProbes.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "link/platform/UserInteraction.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace InstalledOptions;

namespace {

const QString OptionsTitle = QStringLiteral("Options");
const char *const InstalledProperty = "installed";

// The models the two hidden buttons (Command_6450) set, by button index.
const QString HiddenModels[] = {QStringLiteral("6450"), QStringLiteral("6440")};

// The grid column of each bit's box (bit 0 spans the top row).
int columnOf(int bit) { return bit <= 7 ? 0 : bit <= 11 ? 1 : 2; }
int firstBitOf(int column) { return column == 0 ? 1 : column == 1 ? 8 : 12; }

} // namespace

Form_InstalledOptions::Form_InstalledOptions(QWidget *parent)
    : SettingsWindow(QStringLiteral("Form_InstalledOptions"), QStringLiteral("Installed Options"), QStringLiteral("Exit"),
                     parent)
    , ModelFrame(named(new QGroupBox(QStringLiteral("Model"), this), QStringLiteral("ModelFrame")))
    , Command_SelectDefaults(named(new QPushButton(QStringLiteral("Select Default Options for Model"), this),
                                   QStringLiteral("Command_SelectDefaults")))
    , Frame1(named(new QGroupBox(QStringLiteral("Options"), this), QStringLiteral("Frame1")))
    , Command_Read(named(new QPushButton(QStringLiteral("Read"), this), QStringLiteral("Command_Read")))
    , Command_Set(named(new QPushButton(QStringLiteral("Set"), this), QStringLiteral("Command_Set")))
    , Command_ResetOptions(
          named(new QPushButton(QStringLiteral("Reset User Options"), this), QStringLiteral("Command_ResetOptions")))
{
    auto *models = new QVBoxLayout(ModelFrame);
    for (int index = 0; index < ModelCount; ++index) {
        Option_Model[index] = named(new QRadioButton(modelCaptions()[index], ModelFrame),
                                    QStringLiteral("Option_Model(%1)").arg(index));
        models->addWidget(Option_Model[index]);
        connect(Option_Model[index], &QRadioButton::toggled, this, [this, index](bool on) {
            if (on)
                Option_Model_Click(index);
        });
    }
    models->addStretch();

    auto *options = new QGridLayout(Frame1);
    for (int bit = 0; bit < OptionCount; ++bit) {
        Check_Options[bit] = named(new QCheckBox(optionCaptions()[bit], Frame1), QStringLiteral("Check_Options(%1)").arg(bit));
        if (bit == 0)
            options->addWidget(Check_Options[bit], 0, 0, 1, 3);
        else
            options->addWidget(Check_Options[bit], 1 + bit - firstBitOf(columnOf(bit)), columnOf(bit));
    }
    options->setRowStretch(10, 1);
    options->setHorizontalSpacing(18);

    for (int index = 0; index < 2; ++index) {
        Command_6450[index] = named(new QPushButton(HiddenModels[index], this), QStringLiteral("Command_6450(%1)").arg(index));
        Command_6450[index]->setVisible(false);
        connect(Command_6450[index], &QPushButton::clicked, this, [this, index] { Command_6450_Click(index); });
    }

    auto *left = new QVBoxLayout;
    left->addWidget(ModelFrame, 1);
    left->addWidget(Command_SelectDefaults);
    auto *top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(Frame1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(exitRow({Command_Read, Command_Set, Command_ResetOptions}));

    connect(Command_SelectDefaults, &QPushButton::clicked, this, &Form_InstalledOptions::Command_SelectDefaults_Click);
    connect(Command_Read, &QPushButton::clicked, this, &Form_InstalledOptions::Command_Read_Click);
    connect(Command_Set, &QPushButton::clicked, this, &Form_InstalledOptions::Command_Set_Click);
    connect(Command_ResetOptions, &QPushButton::clicked, this, &Form_InstalledOptions::Command_ResetOptions_Click);
    new MeterControls(this, {Command_Read, Command_Set, Command_ResetOptions, Command_6450[0], Command_6450[1]});
}

void Form_InstalledOptions::Form_Load()
{
    CentreForm(*this);
    Command_Read_Click();
}

void Form_InstalledOptions::Command_Read_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (run)
        readOptions(run);
}

void Form_InstalledOptions::readOptions(const RunGuard::Run &run)
{
    const Hourglass hourglass(appUi());
    const std::optional<int> model = modelIndexIn(AskMeterOneLine(IdentityQuery, 2));
    if (!run.windowOpen())
        return;
    if (!model) {
        appUi().MsgBox(QStringLiteral("Error reading model number"));
        return;
    }
    Option_Model[*model]->setChecked(true); // a change of model shows its defaults first

    const QString reply = AskMeterOneLine(QStringLiteral("SYSTEM:OPTIONS ?"), 2);
    if (!run.windowOpen())
        return;
    const std::optional<qint32> mask = maskFromReply(reply);
    if (!mask) {
        appUi().MsgBox(QStringLiteral("Error reading options Overflow"));
        return;
    }
    if (*mask < 0)
        return;
    showTicks(*mask);
    const Ticks installed = ticksOf(*mask);
    for (int bit = 0; bit < OptionCount; ++bit)
        markInstalled(bit, installed[bit]);
}

void Form_InstalledOptions::Command_SelectDefaults_Click() { showTicks(defaultMask(selectedModel())); }

void Form_InstalledOptions::Option_Model_Click(int) { Command_SelectDefaults_Click(); }

bool Form_InstalledOptions::CheckOptionDependencies()
{
    const QStringList broken = brokenDependencies(maskOf(ticks()));
    if (broken.isEmpty())
        return true;
    appUi().MsgBox(broken.join(QLatin1Char('\r')) + QLatin1Char('\r'), Msg::Exclamation,
                   QStringLiteral("Incompatible Options"));
    return false;
}

void Form_InstalledOptions::Command_Set_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    if (!CheckOptionDependencies()) {
        appUi().MsgBox(QStringLiteral("Options Not Set"), Msg::Exclamation, OptionsTitle);
        return;
    }
    const int model = selectedModel();
    const qint32 mask = maskOf(ticks()); // what is ticked when Set is clicked

    SetupModeBracket bracket;
    bracket.refusalMessage = QStringLiteral("Error Entering Setup Mode");
    bracket.refusalStyle = Msg::Exclamation;
    bracket.refusalTitle = OptionsTitle;
    bracket.leaveAfterFailedWork = false; // a refused write leaves the meter in setup mode
    // One command of the write; false when the write ends there: refused (with its
    // message), or the window closed meanwhile (quietly).
    bool closed = false;
    const auto sent = [&run, &closed](const QString &command, int timeout, const QString &failure) {
        const ReplyStatus status = ClassifyReply(SendToMeter(command, timeout));
        closed = !run.windowOpen();
        if (!closed && status != ReplyStatus::Done)
            appUi().MsgBox(failure, Msg::Exclamation);
        return !closed && status == ReplyStatus::Done;
    };
    const SetupModeRun written = run.inSetupMode(bracket, [&] {
        const bool done = (model == 0 || sent(QStringLiteral("model ") + QString::number(model), 5,
                                              QStringLiteral("Set Model Type Failed ")))
                          && sent(QStringLiteral("SYSTEM:OPTIONS ") + QString::number(mask), 4,
                                  QStringLiteral("Set Options Failed "));
        return done || closed; // closed meanwhile: setup mode is still left
    });
    if (written == SetupModeRun::Completed && run.windowOpen())
        readOptions(run);
}

void Form_InstalledOptions::Command_6450_Click(int Index)
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    run.inSetupMode(SetupModeBracket{}, [Index] {
        const QString &model = HiddenModels[Index == 0 ? 0 : 1];
        if (ClassifyReply(SendToMeter(QStringLiteral("model ") + model, 5)) == ReplyStatus::Done)
            appUi().MsgBox(QStringLiteral("Model Type Set"), Msg::Information);
        else
            appUi().MsgBox(QStringLiteral("Set Model Type Failed "), Msg::Exclamation);
    });
}

void Form_InstalledOptions::Command_ResetOptions_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    if (appUi().MsgBox(QStringLiteral("Set user options to default (including temperature and pressure probe "
                                      "coefficients)?"),
                       Msg::YesNo | Msg::Question) != Msg::Yes)
        return;
    QString reply;
    // Refused, or the window closed meanwhile: nothing was reset, and nothing is shown.
    if (run.inSetupMode(SetupModeBracket{}, [&reply] { reply = SendToMeter(QStringLiteral("OPTDEFAULT"), 10); }) !=
        SetupModeRun::Completed)
        return;
    if (ClassifyReply(reply) == ReplyStatus::Done)
        appUi().MsgBox(QStringLiteral("Options Reset"), Msg::Information);
    else
        appUi().MsgBox(QStringLiteral("Error Resetting Options"), Msg::Critical);
}

bool Form_InstalledOptions::isMarkedInstalled(int bit) const
{
    return Check_Options[bit]->property(InstalledProperty).toBool();
}

Ticks Form_InstalledOptions::ticks() const
{
    Ticks ticked{};
    for (int bit = 0; bit < OptionCount; ++bit)
        ticked[bit] = Check_Options[bit]->isChecked();
    return ticked;
}

void Form_InstalledOptions::showTicks(qint32 mask)
{
    const Ticks ticked = ticksOf(mask);
    for (int bit = 0; bit < OptionCount; ++bit)
        Check_Options[bit]->setChecked(ticked[bit]);
}

void Form_InstalledOptions::markInstalled(int bit, bool installed)
{
    QCheckBox *box = Check_Options[bit];
    box->setProperty(InstalledProperty, installed);
    QFont font = box->font();
    font.setBold(installed);
    box->setFont(font);
    const QString note = installed ? QStringLiteral("Installed") : QStringLiteral("Not installed");
    box->setToolTip(note);
    box->setAccessibleDescription(note);
}

int Form_InstalledOptions::selectedModel() const
{
    for (int index = 0; index < ModelCount; ++index)
        if (Option_Model[index]->isChecked())
            return modelCaptions()[index].toInt();
    return 0;
}
