#include "tables/prt/FormPRTTable.h"
#include "link/MeterOperation.h"
#include "link/SharedState.h"
#include "link/TextConv.h"
#include "link/platform/Clock.h"
#include "link/platform/UserInteraction.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/prt/PRTTable.h"
#include "widgets/MeterControls.h"
#include "widgets/Named.h"
#include "widgets/PacedDisplay.h"

#include <QGridLayout>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

QString arrayName(const char *name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

void showWithLabel(QLabel *label, QLineEdit *box, bool shown)
{
    label->setVisible(shown);
    box->setVisible(shown);
}

// The value of a coefficient box: its number when it is shown, else 0.
double shownValue(const QLineEdit *box) { return box->isHidden() ? 0 : TextConv::Val(box->text()); }

} // namespace

FormPRTTable::FormPRTTable(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FormPRTTable"));
    setWindowTitle(QStringLiteral("PRT Table"));
    buildControls();
    resize(1100, 720);
}

void FormPRTTable::buildControls()
{
    Command_LoadAllCalFactors = named(new QPushButton(QStringLiteral("Load")), QStringLiteral("Command_LoadAllCalFactors"));
    Command_SaveAll = named(new QPushButton(QStringLiteral("Save All")), QStringLiteral("Command_SaveAll"));
    Command_GenerateITS90 = named(new QPushButton(QStringLiteral("Generate (ITS90)")), QStringLiteral("Command_GenerateITS90"));
    Command1 = named(new QPushButton(QStringLiteral("Generate (IEC751)")), QStringLiteral("Command1"));
    Command_Single = named(new QPushButton(QStringLiteral("Single")), QStringLiteral("Command_Single"));
    Text_R0 = named(new QLineEdit(QStringLiteral("100")), QStringLiteral("Text_R0"));

    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {Command_LoadAllCalFactors, Command_SaveAll, Command_GenerateITS90, Command1, Command_Single})
        buttons->addWidget(button);
    auto *r0Row = new QHBoxLayout;
    r0Row->addWidget(new QLabel(QStringLiteral("R0")));
    r0Row->addWidget(Text_R0);
    r0Row->addStretch();

    // Low side: sub-ranges 1 to 4 and their coefficients.
    Frame1 = named(new QGroupBox(QStringLiteral("ITS-90 Coefficients Below 273.16K    ITS-90 Sub-Ranges 2-4")),
                   QStringLiteral("Frame1"));
    Label7 = named(new QLabel(QStringLiteral("Calibration Range  Fixed Points")), QStringLiteral("Label7"));
    const char *lowCaptions[] = {"-259.3467 -  0.01  Hydrogen TP - Water TP (1)", "-248.5939 -  0.01  Neon TP - Water TP (2)",
                                 "-218.7916 -  0.01  Oxygen TP - Water TP (3)", "-189.3442 -  0.01  Argon TP - Water TP (4)"};
    auto *lowLayout = new QGridLayout(Frame1);
    lowLayout->addWidget(Label7, 0, 0, 1, 2);
    for (int i = 0; i < 4; ++i) {
        Option_LowTemp[i] = named(new QRadioButton(QString::fromLatin1(lowCaptions[i])), arrayName("Option_LowTemp", i));
        lowLayout->addWidget(Option_LowTemp[i], 1 + i, 0, 1, 2);
        connect(Option_LowTemp[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option_LowTemp_Click(i);
        });
    }
    LabelA1 = named(new QLabel(QStringLiteral("a")), QStringLiteral("LabelA1"));
    Text_ITS90A = named(new QLineEdit(QStringLiteral("-0.0001026305")), QStringLiteral("Text_ITS90A"));
    LabelB = named(new QLabel(QStringLiteral("b")), QStringLiteral("LabelB"));
    Text_ITS90B = named(new QLineEdit(QStringLiteral("0.000002534812")), QStringLiteral("Text_ITS90B"));
    lowLayout->addWidget(LabelA1, 5, 0);
    lowLayout->addWidget(Text_ITS90A, 5, 1);
    lowLayout->addWidget(LabelB, 6, 0);
    lowLayout->addWidget(Text_ITS90B, 6, 1);
    for (int i = 0; i < 5; ++i) {
        LabelC[i] = named(new QLabel(QStringLiteral("c")), arrayName("LabelC", i));
        Text_ITS90C[i] = named(new QLineEdit, arrayName("Text_ITS90C", i));
        lowLayout->addWidget(LabelC[i], 7 + i, 0);
        lowLayout->addWidget(Text_ITS90C[i], 7 + i, 1);
    }

    // High side: sub-ranges 6 to 11 and their coefficients.
    Frame2 = named(new QGroupBox(QStringLiteral("ITS-90 Coefficients Above 273.16K      ITS-90 Sub-Ranges 6-11")),
                   QStringLiteral("Frame2"));
    const char *highCaptions[] = {"961.78  Silver FP  (6)", "660.323  Aluminium FP (7)", "419.527  Zinc FP (8)",
                                  "231.928  Tin FP (9)", "156.5985  Indium FP (10)", "29.7646  Gallium MP (11)"};
    auto *highLayout = new QGridLayout(Frame2);
    for (int i = 0; i < 6; ++i) {
        Option_HighTemp[i] = named(new QRadioButton(QString::fromLatin1(highCaptions[i])), arrayName("Option_HighTemp", i));
        highLayout->addWidget(Option_HighTemp[i], i, 0, 1, 2);
        connect(Option_HighTemp[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option_HighTemp_Click(i);
        });
    }
    LabelAH = named(new QLabel(QStringLiteral("a")), QStringLiteral("LabelAH"));
    Text_ITS90AH = named(new QLineEdit(QStringLiteral("-0.0001212552")), QStringLiteral("Text_ITS90AH"));
    LabelBH = named(new QLabel(QStringLiteral("b")), QStringLiteral("LabelBH"));
    Text_ITS90BH = named(new QLineEdit(QStringLiteral("-0.00001311038")), QStringLiteral("Text_ITS90BH"));
    LabelCH = named(new QLabel(QStringLiteral("c")), QStringLiteral("LabelCH"));
    Text_ITS90CH = named(new QLineEdit, QStringLiteral("Text_ITS90CH"));
    LabelDH = named(new QLabel(QStringLiteral("d")), QStringLiteral("LabelDH"));
    Text_ITS90DH = named(new QLineEdit, QStringLiteral("Text_ITS90DH"));
    LabelWAl = named(new QLabel(QStringLiteral("W(Al)")), QStringLiteral("LabelWAl"));
    Text_ITS90AlFp = named(new QLineEdit, QStringLiteral("Text_ITS90AlFp"));
    const std::pair<QLabel *, QLineEdit *> highBoxes[] = {{LabelAH, Text_ITS90AH}, {LabelBH, Text_ITS90BH},
                                                          {LabelCH, Text_ITS90CH}, {LabelDH, Text_ITS90DH},
                                                          {LabelWAl, Text_ITS90AlFp}};
    int highRow = 6;
    for (const auto &[label, box] : highBoxes) {
        highLayout->addWidget(label, highRow, 0);
        highLayout->addWidget(box, highRow++, 1);
    }

    // IEC 60751.
    Frame3 = named(new QGroupBox(QStringLiteral("IEC751 Coefficient")), QStringLiteral("Frame3"));
    Label1 = named(new QLabel(QStringLiteral("A")), QStringLiteral("Label1"));
    Text_IECA = named(new QLineEdit(QStringLiteral("3.9083e-3")), QStringLiteral("Text_IECA"));
    Label2 = named(new QLabel(QStringLiteral("B")), QStringLiteral("Label2"));
    Text_IECB = named(new QLineEdit(QStringLiteral("-5.775e-7")), QStringLiteral("Text_IECB"));
    Label3 = named(new QLabel(QStringLiteral("C")), QStringLiteral("Label3"));
    Text_IECC = named(new QLineEdit(QStringLiteral("-4.183e-12")), QStringLiteral("Text_IECC"));
    Command_ClassA = named(new QPushButton(QStringLiteral("Class A")), QStringLiteral("Command_ClassA"));
    Command_ClassB = named(new QPushButton(QStringLiteral("Class B")), QStringLiteral("Command_ClassB"));
    auto *iecLayout = new QGridLayout(Frame3);
    iecLayout->addWidget(Label1, 0, 0);
    iecLayout->addWidget(Text_IECA, 0, 1);
    iecLayout->addWidget(Label2, 1, 0);
    iecLayout->addWidget(Text_IECB, 1, 1);
    iecLayout->addWidget(Label3, 2, 0);
    iecLayout->addWidget(Text_IECC, 2, 1);
    iecLayout->addWidget(Command_ClassA, 3, 0);
    iecLayout->addWidget(Command_ClassB, 3, 1);

    ProgressBar1 = named(new QProgressBar, QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    // The grid: row 0 and column 0 are its heading row and column. Nothing is edited in
    // place: the window connects none of the grid's key or click signals.
    CalGrid = named(new FlexGrid, QStringLiteral("CalGrid"));
    CalGrid->setCols(PRTTableColumns + 1);

    auto *controls = new QVBoxLayout;
    controls->addLayout(buttons);
    controls->addLayout(r0Row);
    controls->addWidget(Frame1);
    controls->addWidget(Frame2);
    controls->addWidget(Frame3);
    controls->addWidget(ProgressBar1);
    controls->addStretch();
    auto *window = new QHBoxLayout(this);
    window->addLayout(controls);
    window->addWidget(CalGrid, 1);

    connect(Command_LoadAllCalFactors, &QPushButton::clicked, this, &FormPRTTable::Command_LoadAllCalFactors_Click);
    connect(Command_SaveAll, &QPushButton::clicked, this, &FormPRTTable::Command_SaveAll_Click);
    connect(Command_GenerateITS90, &QPushButton::clicked, this, &FormPRTTable::Command_GenerateITS90_Click);
    connect(Command1, &QPushButton::clicked, this, &FormPRTTable::Command1_Click);
    connect(Command_Single, &QPushButton::clicked, this, &FormPRTTable::Command_Single_Click);
    // Class A and Class B have no action.
    new MeterControls(this, {Command_LoadAllCalFactors, Command_SaveAll});
    // Each of these replaces the table a load or save is working on.
    new TableControls(this, {Command_LoadAllCalFactors, Command_GenerateITS90, Command1});
}

void FormPRTTable::Form_Load()
{
    Option_HighTemp[1]->setChecked(true); // aluminium
    Option_LowTemp[3]->setChecked(true);  // argon
}

void FormPRTTable::Option_HighTemp_Click(int Index)
{
    showWithLabel(LabelAH, Text_ITS90AH, true);
    showWithLabel(LabelBH, Text_ITS90BH, Index <= 3);
    showWithLabel(LabelCH, Text_ITS90CH, Index <= 1);
    showWithLabel(LabelDH, Text_ITS90DH, Index == 0);
    showWithLabel(LabelWAl, Text_ITS90AlFp, Index == 0);
}

void FormPRTTable::Option_LowTemp_Click(int Index)
{
    // Sub-ranges 1, 2 and 3 have five, three and one c coefficient; sub-range 4 none.
    static constexpr int shownCount[] = {5, 3, 1, 0};
    const int shown = Index >= 0 && Index < 4 ? shownCount[Index] : 0;
    for (int i = 0; i < 5; ++i)
        showWithLabel(LabelC[i], Text_ITS90C[i], i < shown);
}

ITS90_Coefficients FormPRTTable::readITS90Coefficients() const
{
    ITS90_Coefficients k;
    k.a = TextConv::Val(Text_ITS90A->text());
    k.b = TextConv::Val(Text_ITS90B->text());
    for (int i = 0; i < 5; ++i)
        k.c[i] = shownValue(Text_ITS90C[i]);
    for (int i = 0; i < 4; ++i) {
        if (Option_LowTemp[i]->isChecked())
            k.lowSubRange = i + 1;
    }
    k.aH = shownValue(Text_ITS90AH);
    k.bH = shownValue(Text_ITS90BH);
    k.cH = shownValue(Text_ITS90CH);
    k.dH = shownValue(Text_ITS90DH);
    k.WAl = shownValue(Text_ITS90AlFp);
    return k;
}

std::optional<double> FormPRTTable::readR0()
{
    const double R0 = TextConv::Val(Text_R0->text());
    if (R0 > 0)
        return R0;
    appUi().MsgBox(QStringLiteral("R0 must be a resistance above 0"), Msg::OKOnly | Msg::Exclamation);
    return std::nullopt;
}

void FormPRTTable::generateTable(const std::function<double(double R)> &temperature)
{
    CalGrid->setCols(PRTTableColumns + 1);
    CalGrid->setRows(PRTTableRows + 1);
    QList<QStringList> rows;
    for (int row = 1; row <= PRTTableRows; ++row) {
        QStringList cells{QString::number(row - 1) + QLatin1Char('R')};
        for (int column = 1; column <= PRTTableColumns; ++column)
            cells << PRTCellText(temperature(PRTCellResistance(row, column)));
        rows << cells;
    }
    CalGrid->fillRows(1, rows);
}

void FormPRTTable::Command_GenerateITS90_Click()
{
    const ITS90_Coefficients k = readITS90Coefficients();
    const std::optional<double> R0 = readR0();
    if (!R0)
        return;
    generateTable([&](double R) { return ITS90_Temperature(R, *R0, k); });
}

void FormPRTTable::Command1_Click()
{
    const double A = TextConv::Val(Text_IECA->text());
    const double B = TextConv::Val(Text_IECB->text());
    const double C = TextConv::Val(Text_IECC->text());
    const std::optional<double> R0 = readR0();
    if (!R0)
        return;
    generateTable([&](double R) { return IEC751_Temperature(R, *R0, A, B, C); });
}

void FormPRTTable::Command_Single_Click()
{
    const ITS90_Coefficients k = readITS90Coefficients();
    const std::optional<double> R0 = readR0();
    if (!R0)
        return;
    // A cancelled box gives the empty text, which converts R = 0.
    const double R = TextConv::Val(appUi().InputBox(QStringLiteral("Resistance")));
    const double T = ITS90_Temperature(R, *R0, k);
    if (std::isfinite(T))
        appUi().MsgBox(QStringLiteral("Temp = ") + TextConv::General(T));
    else
        appUi().MsgBox(QStringLiteral("No temperature can be computed for this resistance"), Msg::OKOnly | Msg::Exclamation);
}

void FormPRTTable::Command_LoadAllCalFactors_Click()
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    bool extraValues = false;
    bool complete = false;
    {
        CalGrid->setCols(PRTTableColumns + 1);
        CalGrid->setRows(2);
        CalGrid->Clear();
        Command_LoadAllCalFactors->setEnabled(false);
        const Hourglass busy(appUi());

        const QString reply = SendToMeter(QStringLiteral("pt"), 10);
        if (!run.windowOpen())
            return;
        // A time-out, a dropped link or a read cut short leaves the table partly read.
        complete = EndsWithStatusToken(reply);
        ProgressBar1->setValue(0);
        int row = 1;
        for (const QString &line : SplitPRTReplyLines(reply)) {
            if (const std::optional<PRTReplyLine> parsed = ParsePRTReplyLine(line)) {
                CalGrid->setTextMatrix(row, 0, parsed->label);
                for (int k = 0; k < parsed->values.size(); ++k) {
                    // A row holds ten values; more would alias the next row's indexes.
                    if (k < PRTTableColumns)
                        CalGrid->setTextMatrix(row, k + 1, parsed->values[k]);
                    else
                        extraValues = true;
                }
                ++row;
                if (CalGrid->Rows() < row + 1)
                    CalGrid->setRows(row + 1);
            }
            if (row <= PRTTableRows)
                ProgressBar1->setValue(row * 100 / PRTTableRows);
            appClock().processEvents();
            if (!run.windowOpen() || run.stopRequested())
                return;
        }
        // The rows were put one pass of the event loop at a time: the whole table shows now.
        CalGrid->Refresh();
    }
    Command_LoadAllCalFactors->setEnabled(true);
    if (!complete)
        appUi().MsgBox(QStringLiteral("The PRT table was not read completely: read it again"), Msg::OKOnly | Msg::Critical);
    if (extraValues)
        appUi().MsgBox(QStringLiteral("Some lines of the meter's table held more than 10 values; "
                                      "the values after the tenth were not loaded"),
                       Msg::OKOnly | Msg::Exclamation);
}

void FormPRTTable::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_guard.requestStop();
    m_guard.unloadWhenIdle();
}

void FormPRTTable::Command_SaveAll_Click()
{
    const RunGuard::Run run = m_guard.beginOnMeter();
    if (!run)
        return;
    const int toWrite = cellsToSend(); // the table is held while the run lasts
    MeterWriteResult result;
    run.inSetupMode(SetupModeBracket{}, [&] {
        ProgressBar1->setValue(0);
        writeAllCells(run, result);
    });
    result.endWrite(toWrite, run.windowOpen());
}

int FormPRTTable::cellsToSend() const
{
    int cells = 0;
    for (int row = 1; row < CalGrid->Rows(); ++row)
        for (int column = 1; column < CalGrid->Cols(); ++column)
            if (const int index = PRTTableIndex(row, column);
                !CalGrid->TextMatrix(row, column).isEmpty() && index >= 0 && index <= PRTTableLastIndex)
                ++cells;
    return cells;
}

void FormPRTTable::writeAllCells(const RunGuard::Run &run, MeterWriteResult &result)
{
    PacedDisplay display(run);
    for (int row = 1; row < CalGrid->Rows(); ++row) {
        for (int column = 1; column < CalGrid->Cols(); ++column) {
            const QString text = CalGrid->TextMatrix(row, column);
            if (text.isEmpty())
                continue;
            const int index = PRTTableIndex(row, column);
            const std::optional<qint32> value = PRTWriteValue(text);
            if (!value) {
                display.flush();
                appUi().MsgBox(QStringLiteral("Save stopped: the entry at index %1 is not a number that can be written")
                                   .arg(index),
                               Msg::OKOnly | Msg::Exclamation);
                return;
            }
            const int percent = std::clamp(static_cast<int>(index / double(PRTTableLastIndex) * 100), 0, 100);
            if (index < 0 || index > PRTTableLastIndex) {
                display.show([this, percent] { ProgressBar1->setValue(percent); });
                continue;
            }

            const QString command = PRTWriteCommand(index, *value);
            ++result.sent;
            for (;;) {
                bool accepted = false;
                for (int attempt = 0; attempt < 2 && !accepted; ++attempt) {
                    // A try given up on is waited for: the next is sent only once its
                    // answer came (a failed try) or surely will not (the write ends).
                    const QString reply = SendTableValue(command, 10);
                    const bool answered = result.noteReply(reply);
                    if (!run.windowOpen())
                        return;
                    const ReplyStatus status = ClassifyReply(reply);
                    display.show([this, row, column, percent] {
                        ProgressBar1->setValue(percent);
                        CalGrid->setRow(row);
                        CalGrid->setCol(column);
                    });
                    colourByReply(*CalGrid, row, column, status, CellColour::Written);
                    if (!answered)
                        return; // the meter stopped answering: no second try, nothing more sent
                    if (status == ReplyStatus::PasswordNeeded) {
                        display.flush();
                        appUi().MsgBox(QStringLiteral("Password needed"));
                        return;
                    }
                    accepted = status == ReplyStatus::Done;
                    appClock().processEvents();
                    if (!run.windowOpen() || run.stopRequested())
                        return;
                }
                if (accepted)
                    break;
                display.flush();
                const Msg::Answer answer =
                    appUi().MsgBox(QStringLiteral("Error writing value"), Msg::AbortRetryIgnore | Msg::Critical);
                if (!run.windowOpen() || answer == Msg::Abort)
                    return;
                if (answer == Msg::Ignore)
                    break;
                // Retry: two more tries of the same cell.
            }
        }
    }
}
