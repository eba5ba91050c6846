#include "shell/Form_USBLocator.h"
#include "widgets/CentreForm.h"
#include "widgets/WindowRegistry.h"
#include "link/IDVM.h"
#include "widgets/Named.h"
#include "link/SharedState.h"
#include "widgets/Twips.h"
#include "link/USB.h"
#include "link/MeterProbes.h"
#include "link/platform/UserInteraction.h"
#include "shell/USBLocator.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <optional>

using namespace USBLocator;

namespace {

constexpr int KeyEnter = 13;
constexpr int KeyEscape = 27;
constexpr int ReplyColumnIndex = 2;
const QString AutolocationTitle = QStringLiteral("USB Autolocation");

// The reply column holds each reply as received, line ends included; a row shows it on
// one line.
class OneLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        QString text = QStyledItemDelegate::displayText(value, locale);
        text.remove(QLatin1Char('\r'));
        text.remove(QLatin1Char('\n'));
        return text;
    }
};

} // namespace

Form_USBLocator::Form_USBLocator(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_USBLocator"));
    setWindowTitle(QStringLiteral("USB Device Detection"));
    setModal(true);
    buildControls();
    applyView(false);
}

void Form_USBLocator::buildControls()
{
    auto frame = [](const QString &name, const QString &caption, QWidget *parent, int left, int top, int width,
                    int height) {
        auto *f = named(new QGroupBox(caption, parent), name);
        Twips::place(*f, left, top, width, height);
        return f;
    };
    auto button = [this](const QString &name, const QString &caption, QWidget *parent, int left, int top, int width,
                         int height, void (Form_USBLocator::*handler)()) {
        auto *b = named(new QPushButton(caption, parent), name);
        b->setAutoDefault(false); // Enter belongs to the terminal's command line
        Twips::place(*b, left, top, width, height);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    auto label = [](const QString &name, const QString &text, QWidget *parent, int left, int top, int width,
                    int height) {
        auto *l = named(new QLabel(text, parent), name);
        Twips::place(*l, left, top, width, height);
        return l;
    };

    // The device band.
    Frame_USB = frame(QStringLiteral("Frame_USB"), QStringLiteral("USB"), this, 105, -15, 7965, UsbBandHeight);
    ListView_USBDevices = named(new QTreeWidget(Frame_USB), QStringLiteral("ListView_USBDevices"));
    ListView_USBDevices->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Serial Number"), QStringLiteral("Reply")});
    ListView_USBDevices->setRootIsDecorated(false);
    ListView_USBDevices->setItemsExpandable(false);
    ListView_USBDevices->setUniformRowHeights(true);
    ListView_USBDevices->setAllColumnsShowFocus(true);
    ListView_USBDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_USBDevices->setItemDelegate(new OneLineDelegate(ListView_USBDevices));
    ListView_USBDevices->setColumnWidth(0, Twips::toPixels(2700));
    ListView_USBDevices->setColumnWidth(1, Twips::toPixels(1500));
    ListView_USBDevices->header()->setStretchLastSection(true);
    Twips::place(*ListView_USBDevices, 60, 210, 7815, 1320);
    Command_Autodetect = button(QStringLiteral("Command_Autodetect"), QStringLiteral("Autolocate"), Frame_USB, 90,
                                1665, 1395, 525, &Form_USBLocator::Command_Autodetect_Click);
    Command_Locate = button(QStringLiteral("Command_Locate"), QStringLiteral("List USB Devices"), Frame_USB, 1545,
                            1665, 1485, 525, &Form_USBLocator::Command_Locate_Click);
    Command_SelectUSB = button(QStringLiteral("Command_SelectUSB"), QStringLiteral("Select Device"), Frame_USB, 3075,
                               1665, 1410, 525, &Form_USBLocator::Command_SelectUSB_Click);
    Command_Advanced = button(QStringLiteral("Command_Advanced"), AdvancedCaption(false), Frame_USB, 4710, 1665, 1410,
                              525, &Form_USBLocator::Command_Advanced_Click);
    Command_Exit = button(QStringLiteral("Command_Exit"), QStringLiteral("Exit"), Frame_USB, 6315, 1665, 1530, 525,
                          &Form_USBLocator::Command_Exit_Click);
    Command_AutomaticUSB = button(QStringLiteral("Command_AutomaticUSB"), QStringLiteral("Automatic by Adapter ID"),
                                  Frame_USB, 5865, 2505, 1335, 705, &Form_USBLocator::Command_AutomaticUSB_Click);
    Command_AutomaticUSB->setVisible(false);

    // The terminal band.
    Frame_Test = frame(QStringLiteral("Frame_Test"), QStringLiteral("Test Communication"), this, 105, 2520, 3855,
                       TestBandHeight);
    Command_testID = button(QStringLiteral("Command_testID"), QStringLiteral("ID?"), Frame_Test, 105, 360, 615, 435,
                            &Form_USBLocator::Command_testID_Click);
    Command1 = button(QStringLiteral("Command1"), QStringLiteral("Date?"), Frame_Test, 750, 360, 615, 435,
                      &Form_USBLocator::Command1_Click);
    Text1 = named(new QLineEdit(Frame_Test), QStringLiteral("Text1"));
    Twips::place(*Text1, 1365, 315, 1560, 450);
    Text1->installEventFilter(this);
    Command_Clear = button(QStringLiteral("Command_Clear"), QStringLiteral("Clear"), Frame_Test, 2985, 375, 690, 345,
                           &Form_USBLocator::Command_Clear_Click);
    Text2 = named(new QPlainTextEdit(Frame_Test), QStringLiteral("Text2"));
    Text2->setReadOnly(true);
    Twips::place(*Text2, 450, 945, 3450 - 450, 1290);
    Text2->viewport()->installEventFilter(this);

    Frame4 = frame(QStringLiteral("Frame4"), QStringLiteral("Active Module"), this, 3990, 2520, 4065, 1065);
    Label_ActiveName = label(QStringLiteral("Label_ActiveName"), QStringLiteral("Name"), Frame4, 105, 225, 3135, 315);
    Label_ActiveSerialNumber = label(QStringLiteral("Label_ActiveSerialNumber"), QStringLiteral("Serial Number"),
                                     Frame4, 105, 600, 3165, 315);
}

void Form_USBLocator::applyView(bool advanced)
{
    // The lower band lies below the collapsed window's edge; hiding it also keeps the
    // keyboard focus out of it.
    Frame_Test->setVisible(advanced);
    Frame4->setVisible(advanced);
    setFixedSize(Twips::toPixels(WindowWidth - BorderWidth), Twips::toPixels(WindowHeight(advanced) - CaptionHeight));
}

void Form_USBLocator::DisplayActiveUSBModule()
{
    const USBDevice &active = state().USBDevice;
    Label_ActiveName->setText(active.Description);
    Label_ActiveSerialNumber->setText(active.SerialNumber);
}

bool Form_USBLocator::OpenUSBBackup(const QString &, const QString &) { return false; }

void Form_USBLocator::Form_Load()
{
    Command_Advanced->setText(AdvancedCaption(false));
    applyView(false);
    CentreForm(*this);
    LoadUSBSettings();
    DisplayActiveUSBModule();
    Command_Locate_Click();
}

void Form_USBLocator::showListing(bool trimSerialNumbers)
{
    ListView_USBDevices->clear();
    for (const Row &row : ListRows(state().USBDevices, m_listedCount, trimSerialNumbers))
        new QTreeWidgetItem(ListView_USBDevices, {row.name, row.serialNumber, row.reply});
}

void Form_USBLocator::setReplyColumn(int entry, const QString &text)
{
    if (QTreeWidgetItem *row = ListView_USBDevices->topLevelItem(entry))
        row->setText(ReplyColumnIndex, text);
}

void Form_USBLocator::showReplies(const QList<UsbIdentityReply> &results)
{
    for (int i = 0; i < results.size(); ++i) {
        if (results[i].opened)
            setReplyColumn(i, ReplyColumn(results[i].line));
    }
}

void Form_USBLocator::Command_Locate_Click()
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    std::optional<Hourglass> busy(std::in_place, appUi());
    if (!state().ftdi) {
        // No FTDI layer to list with.
        busy.reset();
        appUi().MsgBox(QStringLiteral("No USB Devices Found"));
        return;
    }
    m_listedCount = ListUSBDevicesWithRetries();
    showListing(true);
    showReplies(ProbeUSBDevicesTogether(m_listedCount, false));
}

void Form_USBLocator::Identify_Listed_USBDevices()
{
    // Only the devices the listing just found: entries an earlier listing left behind
    // (this one found none) are not attached any more.
    if (m_listedCount <= 0 || !state().ftdi)
        return;
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    Hourglass busy(appUi());
    showReplies(ProbeUSBDevicesTogether(static_cast<int>(state().USBDevices.size()) - 1, true));
}

void Form_USBLocator::completeSelection()
{
    DisplayActiveUSBModule();
    UseUSBDevice(state().USBDevice);
}

void Form_USBLocator::Command_Autodetect_Click()
{
    // The listing and the questions are one operation on the meter.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    Command_Locate_Click();
    Identify_Listed_USBDevices();
    SharedState &s = state();
    const int found = m_listedCount > 0 ? FirstMeter(s.USBDevices) : -1;
    if (found < 0) {
        appUi().MsgBox(QStringLiteral("No device detected"), Msg::OKOnly, AutolocationTitle);
        return;
    }
    s.USBDevice = s.USBDevices[found];
    appUi().MsgBox(AutolocateMessage(s.USBDevice), Msg::OKOnly, AutolocationTitle);
    completeSelection();
}

void Form_USBLocator::Command_SelectUSB_Click()
{
    // A new link for the driver: not under another operation's feet.
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    const QList<QTreeWidgetItem *> selected = ListView_USBDevices->selectedItems();
    const int selectedRow = selected.isEmpty() ? 0 : ListView_USBDevices->indexOfTopLevelItem(selected.first()) + 1;
    const Selection selection = SelectedEntry(ListView_USBDevices->topLevelItemCount(), selectedRow, m_listedCount);
    if (selection.refused) {
        appUi().MsgBox(QStringLiteral("No Device Selected"));
        return;
    }
    SharedState &s = state();
    if (selection.entry < 0 || selection.entry >= s.USBDevices.size()) {
        appUi().MsgBox(QStringLiteral("Error setting USB Device"));
        return;
    }
    s.USBDevice = s.USBDevices[selection.entry];
    completeSelection();
}

void Form_USBLocator::Command_AutomaticUSB_Click()
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    Hourglass busy(appUi());
    SharedState &s = state();
    m_listedCount = ListUSBDevicesWithRetries();
    showListing(false);
    if (m_listedCount == 0) {
        appUi().MsgBox(QStringLiteral("No USB Devices Found"));
        return;
    }
    for (int i = 0; i < m_listedCount; ++i) {
        if (!IsAdapter(s.USBDevices[i].Description))
            continue;
        s.USBDevice = s.USBDevices[i];
        appUi().MsgBox(QStringLiteral("Using ") + s.USBDevice.Description + QStringLiteral(" (")
                       + s.USBDevice.SerialNumber + QLatin1Char(')'));
        completeSelection();
        return;
    }
    // No adapter of ours: the first device is shown and stored, but the driver keeps its link.
    s.USBDevice = s.USBDevices[0];
    DisplayActiveUSBModule();
    SaveUSBSettings();
    appUi().MsgBox(QStringLiteral("No Velkorande USB Devices Found\rUsing ") + s.USBDevice.Description);
}

void Form_USBLocator::Command_Advanced_Click()
{
    const bool advanced = OpensAdvancedView(Command_Advanced->text());
    Command_Advanced->setText(AdvancedCaption(advanced));
    applyView(advanced);
}

void Form_USBLocator::Command_Exit_Click() { appWindows().unloadWindow(this); }

void Form_USBLocator::runTerminalCommand(const TerminalCommand &command, bool typed)
{
    const MeterGate::Operation meter = meterGate().beginUserAction();
    if (!meter)
        return;
    Hourglass busy(appUi());
    qint32 status = UsbReplyComplete;
    const QString reply = UsbSendString(command.text, status, TerminalTimeoutSeconds, command.endCondition);
    const QString output = typed ? TypedCommandOutput(reply, status) : reply;
    if (!output.isEmpty())
        Locators::AppendToTerminal(m_terminal, *Text2, output);
}

void Form_USBLocator::Command_testID_Click() { runTerminalCommand(IdentifyCommand(), false); }

void Form_USBLocator::Command1_Click() { runTerminalCommand(DateCommand(), false); }

void Form_USBLocator::Command_Clear_Click()
{
    m_terminal.clear();
    Text2->clear();
}

void Form_USBLocator::Text1_KeyPress(int KeyAscii)
{
    if (KeyAscii == KeyEnter)
        runTerminalCommand(TypedCommand(Text1->text()), true);
    else if (KeyAscii == KeyEscape)
        Command_Clear_Click();
}

void Form_USBLocator::Text2_Click() { Command_Clear_Click(); }

bool Form_USBLocator::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Text1_KeyPress(KeyEnter);
            return true;
        }
        if (key == Qt::Key_Escape)
            Text1_KeyPress(KeyEscape); // and the key goes on to the text box
    } else if (watched == Text2->viewport() && event->type() == QEvent::MouseButtonRelease) {
        Text2_Click();
    }
    return QDialog::eventFilter(watched, event);
}

void Form_USBLocator::keyPressEvent(QKeyEvent *event)
{
    // The window has no Cancel button: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Form_USBLocator::closeEvent(QCloseEvent *event)
{
    // The close box unloads the window, as Exit does.
    event->accept();
    appWindows().unloadWindow(this);
}
