#include "settings/Form_CalHistory.h"
#include "widgets/CentreForm.h"
#include "link/MeterOperation.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "widgets/Twips.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// The window's layout, in twips. The resize rule keeps the lists' left edges and the
// buttons' left edges; what the lists lose to the margins is fixed.
constexpr int InnerWidth = 7200, InnerHeight = 4800;
constexpr int Margin = 360;
constexpr int ListTop = 480, LabelTop = 180, LabelHeight = 270;
constexpr int EventsWidth = 2400;
constexpr int WidthAroundRanges = 1200;  // inner width not given to the range list beside the event list
constexpr int HeightAroundLists = 1600;  // inner height not given to the lists
constexpr int ButtonsFromBottom = 600;   // button tops above the inner bottom edge
constexpr int ButtonWidth = 1200, ButtonHeight = 375;
constexpr int RangesLeft = Margin + EventsWidth + Margin;

const QString Loading = QStringLiteral("Loading ...");

} // namespace

Form_CalHistory::Form_CalHistory(QWidget *parent)
    : SettingsWindow(QStringLiteral("Form_CalHistory"), QStringLiteral("Calibration History"), QStringLiteral("Exit"),
                     parent)
    , Label1(named(new QLabel(QStringLiteral("Date"), this), QStringLiteral("Label1")))
    , List_CalEvents(named(new QListWidget(this), QStringLiteral("List_CalEvents")))
    , Label2(named(new QLabel(QStringLiteral("Ranges Calibrated"), this), QStringLiteral("Label2")))
    , ListView1(named(new QListWidget(this), QStringLiteral("ListView1")))
    , Command_Update(named(new QPushButton(QStringLiteral("Update"), this), QStringLiteral("Command_Update")))
{
    Twips::place(*Label1, Margin, LabelTop, EventsWidth, LabelHeight);
    Twips::place(*List_CalEvents, Margin, ListTop, EventsWidth, InnerHeight - HeightAroundLists);
    Twips::place(*Label2, RangesLeft, LabelTop, 3000, LabelHeight);
    Twips::place(*ListView1, RangesLeft, ListTop, InnerWidth - EventsWidth - WidthAroundRanges,
                 InnerHeight - HeightAroundLists);
    Twips::place(*Command_Update, Margin, InnerHeight - ButtonsFromBottom, ButtonWidth, ButtonHeight);
    Twips::place(*Command_Exit, InnerWidth - Margin - ButtonWidth, InnerHeight - ButtonsFromBottom, ButtonWidth,
                 ButtonHeight);
    resize(Twips::toPixels(InnerWidth), Twips::toPixels(InnerHeight));
    // Small enough to shrink, large enough that the rule never gives a list no room.
    setMinimumSize(Twips::toPixels(InnerWidth - 1800), Twips::toPixels(InnerHeight - 1800));

    connect(Command_Update, &QPushButton::clicked, this, &Form_CalHistory::Command_Update_Click);
    connect(List_CalEvents, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            List_CalEvents_Click();
    });
    new MeterControls(this, {Command_Update});
}

void Form_CalHistory::Form_Load() { CentreForm(*this); }

void Form_CalHistory::Form_Activate()
{
    const RunGuard::Run run = guard.beginOnMeter(RunGuard::Refusal::Quiet);
    if (!run)
        return;
    appClock().processEvents();
    if (run.windowOpen())
        UpdateCalibrationEvents();
}

void Form_CalHistory::Command_Update_Click() { UpdateCalibrationEvents(); }

void Form_CalHistory::List_CalEvents_Click() { Update_CalRanges_View(); }

void Form_CalHistory::UpdateCalibrationEvents()
{
    const RunGuard::Run run = guard.beginOnMeter();
    if (!run)
        return;
    const Hourglass hourglass(appUi());
    {
        const QSignalBlocker quiet(List_CalEvents);
        List_CalEvents->clear();
        List_CalEvents->addItem(Loading);
    }
    const QString reply = SendToMeter(QStringLiteral("CALIBRATE:HISTORY"), 10);
    if (!run.windowOpen())
        return;
    m_events = CalHistory::parseReply(reply);
    {
        const QSignalBlocker quiet(List_CalEvents);
        List_CalEvents->clear();
        List_CalEvents->addItems(CalHistory::eventEntries(m_events));
        List_CalEvents->setCurrentRow(0);
    }
    Update_CalRanges_View();
}

void Form_CalHistory::Update_CalRanges_View()
{
    const QList<QListWidgetItem *> selected = List_CalEvents->selectedItems();
    const int position = selected.isEmpty() ? 0 : List_CalEvents->row(selected.first());
    const int count = List_CalEvents->count();
    const int lastElement = int(m_events.size()) - 1;
    if (position < 0 || position > lastElement - 1 || count <= position)
        return;
    const int element = CalHistory::elementAt(count, position);
    if (element < 0 || element > lastElement)
        return;
    ListView1->clear();
    ListView1->addItems(CalHistory::rangeItems(m_events[element]));
}

void Form_CalHistory::resizeEvent(QResizeEvent *event)
{
    SettingsWindow::resizeEvent(event);
    Form_Resize();
}

void Form_CalHistory::Form_Resize()
{
    const int scaleWidth = Twips::fromPixels(width());
    const int scaleHeight = Twips::fromPixels(height());
    if (scaleWidth <= 0 || scaleHeight <= 0)
        return;
    const int listHeight = scaleHeight - HeightAroundLists;
    const int rangesWidth = scaleWidth - Twips::fromPixels(List_CalEvents->width()) - WidthAroundRanges;
    // A size the controls cannot take is skipped, the rest still applied.
    if (rangesWidth > 0)
        ListView1->resize(Twips::toPixels(rangesWidth), ListView1->height());
    if (listHeight > 0) {
        ListView1->resize(ListView1->width(), Twips::toPixels(listHeight));
        List_CalEvents->resize(List_CalEvents->width(), Twips::toPixels(listHeight));
    }
    Command_Exit->move(Command_Exit->x(), Twips::toPixels(scaleHeight - ButtonsFromBottom));
    Command_Update->move(Command_Update->x(), Twips::toPixels(scaleHeight - ButtonsFromBottom));
}
