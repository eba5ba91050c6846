#include "settings/FormDisplaySetup.h"
#include "widgets/CentreForm.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/platform/UserInteraction.h"
#include "settings/DisplaySettings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Brightness positions 0 to 15, sixteen steps per display; "B1" and "B2" carry the position
// unchanged. The sliders start at full brightness (the meter's setting is not read back).
constexpr int BrightnessMin = 0, BrightnessMax = 15;
// Minutes for the dim and switch-off boxes: 0 (never) up to 999, three digits, which holds
// the initial 30 and 180.
constexpr int MinutesMin = 0, MinutesMax = 999;

QSlider *brightnessSlider(QWidget *parent, const QString &name)
{
    auto *slider = named(new QSlider(Qt::Horizontal, parent), name);
    slider->setRange(BrightnessMin, BrightnessMax);
    slider->setValue(BrightnessMax);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setPageStep(1);
    slider->setMinimumWidth(200);
    return slider;
}

QLineEdit *minutesBox(QWidget *parent, const QString &name, const QString &initial)
{
    auto *box = named(new QLineEdit(initial, parent), name);
    box->setMaximumWidth(60);
    return box;
}

} // namespace

UpDown::UpDown(QLineEdit *buddy, int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_buddy(buddy), m_minimum(minimum), m_maximum(maximum)
{
    auto *up = new QToolButton(this);
    auto *down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setAccessibleName(QStringLiteral("Up"));
    down->setAccessibleName(QStringLiteral("Down"));
    up->setAutoRepeat(true);
    down->setAutoRepeat(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
    const int half = buddy->sizeHint().height() / 2 + 1;
    up->setFixedSize(18, half);
    down->setFixedSize(18, half);
    connect(up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::stepBy(int steps)
{
    bool isNumber = false;
    const int value = m_buddy->text().trimmed().toInt(&isNumber);
    m_buddy->setText(QString::number(std::clamp((isNumber ? value : m_minimum) + steps, m_minimum, m_maximum)));
}

FormDisplaySetup::FormDisplaySetup(QWidget *parent)
    : SettingsWindow(QStringLiteral("FormDisplaySetup"), QStringLiteral("Display"), QStringLiteral("E&xit"), parent)
    , Slider1(brightnessSlider(this, QStringLiteral("Slider1")))
    , Command_SetDisplay1(named(new QPushButton(QStringLiteral("Set Brightness 1 (primary)"), this),
                                QStringLiteral("Command_SetDisplay1")))
    , Slider2(brightnessSlider(this, QStringLiteral("Slider2")))
    , Command_SetDisplay2(named(new QPushButton(QStringLiteral("Set Brightness 2 (secondary)"), this),
                                QStringLiteral("Command_SetDisplay2")))
    , Text_DimTime(minutesBox(this, QStringLiteral("Text_DimTime"), QStringLiteral("30")))
    , UpDown1(named(new UpDown(Text_DimTime, MinutesMin, MinutesMax, this), QStringLiteral("UpDown1")))
    , Command_SetDimTimeout(
          named(new QPushButton(QStringLiteral("Time To Dim Display"), this), QStringLiteral("Command_SetDimTimeout")))
    , Text_OffTime(minutesBox(this, QStringLiteral("Text_OffTime"), QStringLiteral("180")))
    , UpDown2(named(new UpDown(Text_OffTime, MinutesMin, MinutesMax, this), QStringLiteral("UpDown2")))
    , Command_SetOffTimeout(
          named(new QPushButton(QStringLiteral("Time to Display Off"), this), QStringLiteral("Command_SetOffTimeout")))
    , Label1(named(new QLabel(QStringLiteral("(minutes - 0 to disable)"), this), QStringLiteral("Label1")))
{
    auto *grid = new QGridLayout;
    grid->addWidget(Slider1, 0, 0, 1, 2);
    grid->addWidget(Command_SetDisplay1, 0, 2);
    grid->addWidget(Slider2, 1, 0, 1, 2);
    grid->addWidget(Command_SetDisplay2, 1, 2);
    auto *dim = new QHBoxLayout;
    dim->setSpacing(0);
    dim->addWidget(Text_DimTime);
    dim->addWidget(UpDown1);
    dim->addStretch();
    grid->addLayout(dim, 2, 0);
    grid->addWidget(Command_SetDimTimeout, 2, 2);
    auto *off = new QHBoxLayout;
    off->setSpacing(0);
    off->addWidget(Text_OffTime);
    off->addWidget(UpDown2);
    off->addStretch();
    grid->addLayout(off, 3, 0);
    grid->addWidget(Command_SetOffTimeout, 3, 2);
    grid->addWidget(Label1, 4, 0, 1, 2);
    grid->setVerticalSpacing(10);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(exitRow());

    connect(Command_SetDisplay1, &QPushButton::clicked, this, &FormDisplaySetup::Command_SetDisplay1_Click);
    connect(Command_SetDisplay2, &QPushButton::clicked, this, &FormDisplaySetup::Command_SetDisplay2_Click);
    connect(Command_SetDimTimeout, &QPushButton::clicked, this, &FormDisplaySetup::Command_SetDimTimeout_Click);
    connect(Command_SetOffTimeout, &QPushButton::clicked, this, &FormDisplaySetup::Command_SetOffTimeout_Click);
    new MeterControls(this, {Command_SetDisplay1, Command_SetDisplay2});
}

void FormDisplaySetup::Form_Load() { CentreForm(*this); }

void FormDisplaySetup::Command_SetDisplay1_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    const Hourglass hourglass(appUi());
    SendWithoutReply(DisplaySettings::brightnessCommand(DisplaySettings::Display::Primary, Slider1->value()));
}

void FormDisplaySetup::Command_SetDisplay2_Click()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    const Hourglass hourglass(appUi());
    SendWithoutReply(DisplaySettings::brightnessCommand(DisplaySettings::Display::Secondary, Slider2->value()));
}
