#include "link/SharedState.h"
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"
#include "tables/grid/TableFileText.h"
#include "tables/specs/FormImportedUncerts.h"
#include "tables/specs/FormSpecifications.h"
#include "tests/support/PaintCounter.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"
#include "widgets/FormProgress.h"
#include "widgets/PacedDisplay.h"
#include "widgets/WindowRegistry.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace SpecTable;

namespace {

const QString Password = QStringLiteral("CALIBRATE:PASSWORD 6182");
const QString Access = QStringLiteral("k5820637");
const QString Leave = QStringLiteral("a1");
const QString Ok = QStringLiteral("*0\r");
// The virtual clock's day.
const QString Today = QStringLiteral("14/03/26");

const SpecTableKind &kindOf(const QString &name)
{
    return name == QLatin1String("uncert") ? importedUncertainties() : specifications();
}

SpecTableEditor &openEditor(const QString &name)
{
    if (name == QLatin1String("uncert"))
        return appWindows().form<FormImportedUncerts>();
    return appWindows().form<FormSpecifications>();
}

SpecTableEditor *findEditor(const QString &name)
{
    if (name == QLatin1String("uncert"))
        return appWindows().find<FormImportedUncerts>();
    return appWindows().find<FormSpecifications>();
}

// A meter whose table reply is `table`; every other command is accepted.
ScriptedDVM &installMeter(const QString &kind, const QString &table = QString())
{
    auto dvm = std::make_unique<ScriptedDVM>();
    ScriptedDVM &ref = *dvm;
    const QString read = kindOf(kind).readCommand;
    ref.reply = [read, table](const QString &command) { return command == read ? table : Ok; };
    state().DVM1 = std::move(dvm);
    return ref;
}

void setPending(SpecTableEditor &editor, int row, int column, const QString &text)
{
    if (editor.CalGrid->Rows() <= row)
        editor.CalGrid->setRows(row + 1);
    editor.CalGrid->setTextMatrix(row, column, text);
    editor.CalGrid->setCellBackColorAt(row, column, CellColour::Pending);
}

QStringList writes(const ScriptedDVM &dvm, const QString &kind)
{
    return dvm.commands().filter(QRegularExpression(QLatin1Char('^') + kindOf(kind).writePrefix));
}

QString infoLine(const QString &kind, const QString &versionPart)
{
    const SpecTableKind &k = kindOf(kind);
    return QLatin1Char('&') + QStringLiteral("%1").arg(k.infoSlot, 2, 10, QLatin1Char('0')) + k.infoWord
           + QLatin1Char(' ') + versionPart + QLatin1Char(' ') + Today;
}

QStringList boxPrompts(const TestEnv &env)
{
    QStringList prompts;
    for (const auto &box : env.ui.boxes)
        prompts << box.prompt;
    return prompts;
}

// Table rows "R<n> label,<n>.5,<n>" for n = 1 .. count, each with the line end given.
QString tableReply(int count, const QString &lineEnd = QStringLiteral("\r"))
{
    QString reply;
    for (int n = 1; n <= count; ++n)
        reply += QStringLiteral("R%1 row,%1.5,%1").arg(n, 2, 10, QLatin1Char('0')) + lineEnd;
    return reply + QStringLiteral("*0") + lineEnd;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs SQL on an SQLite file (creating it); the rows a SELECT gives, columns joined by "|".
QStringList runSql(const QString &path, const QStringList &statements)
{
    const QString name = QStringLiteral("specs-test");
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            for (const QString &statement : statements) {
                if (!query.exec(statement))
                    rows << QStringLiteral("failed: ") + statement;
                while (query.next()) {
                    QStringList values;
                    for (int i = 0; i < query.record().count(); ++i)
                        values << query.value(i).toString();
                    rows << values.join(QLatin1Char('|'));
                }
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

} // namespace

class SpecsGuiTest : public QObject
{
    Q_OBJECT

    static void bothKinds()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("specifications") << "spec";
        QTest::newRow("uncertainties") << "uncert";
    }

private Q_SLOTS:
    void windowsAreDistinctSingleInstances()
    {
        TestEnv env;
        installMeter(QStringLiteral("spec"));
        SpecTableEditor &spec = appWindows().form<FormSpecifications>();
        SpecTableEditor &unc = appWindows().form<FormImportedUncerts>();
        QVERIFY(&spec != &unc);
        QCOMPARE(&appWindows().form<FormSpecifications>(), &spec);
        QCOMPARE(spec.windowTitle(), QStringLiteral("Specifications"));
        QCOMPARE(unc.windowTitle(), QStringLiteral("Imported Uncertainties"));
        QCOMPARE(spec.objectName(), QStringLiteral("FormSpecifications"));
        QCOMPARE(unc.Command_SaveDB->text(), QStringLiteral("Insert into Uncertainty DB"));
        QCOMPARE(spec.Command_SaveDB->text(), QStringLiteral("Save to Uncertainty DB"));
        QCOMPARE(spec.Command_Exit->geometry(), QRect(603, 9, 80, 47));
        QCOMPARE(unc.Command_Exit->geometry(), QRect(603, 11, 80, 47));
        QCOMPARE(spec.findChild<QPushButton *>(QStringLiteral("Command_LoadAllCalFactors"))->text(),
                 QStringLiteral("Load From Meter"));
        QCOMPARE(spec.CalGrid->Cols(), 15);
        QCOMPARE(spec.CalGrid->TextMatrix(0, 1), QStringLiteral("ppm Reading (DC-40Hz)"));
        QCOMPARE(spec.CalGrid->TextMatrix(0, 14), QStringLiteral("ppm Range (100kHz+)"));
        QCOMPARE(spec.CalGrid->ColWidth(0), 2400);
    }

    void readOnOpen_data() { bothKinds(); }
    void readOnOpen()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind, QStringLiteral("R01 a,1,2\rR02 b,3\rR04 d,9\r*0\r"));
        SpecTableEditor &editor = openEditor(kind);

        QCOMPARE(dvm.commands(), QStringList{kindOf(kind).readCommand});
        QVERIFY(dvm.calls[0].waitForAck);
        QCOMPARE(dvm.calls[0].timeout, 10);
        QCOMPARE(dvm.calls[0].packetEndCondition, 1);
        // Rows 1 and 2 are filled; every line after the gap is skipped.
        QCOMPARE(editor.CalGrid->Rows(), 3);
        QCOMPARE(editor.CalGrid->TextMatrix(1, 0), QStringLiteral("R01 a"));
        QCOMPARE(editor.CalGrid->TextMatrix(1, 2), QStringLiteral("2"));
        QCOMPARE(editor.CalGrid->TextMatrix(2, 1), QStringLiteral("3"));
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 1), editor.CalGrid->BackColor());
        QVERIFY(editor.Command_SaveAll->isEnabled());
        QVERIFY(!appWindows().isLoaded<FormProgress>());
        QCOMPARE(env.ui.hourglassDepth, 0);
    }

    void readLabelsAndValues_data() { bothKinds(); }
    void readLabelsAndValues()
    {
        QFETCH(QString, kind);
        TestEnv env;
        installMeter(kind, QString::fromLatin1("R1 x,1\rR2 y,1\rR3 10\xf4 \xe4" "A\x01,1.50,2\r*0\r"));
        SpecTableEditor &editor = openEditor(kind);
        QCOMPARE(editor.CalGrid->TextMatrix(3, 0), QString::fromLatin1("R3 10Ohm uA\x01"));
        QCOMPARE(editor.CalGrid->TextMatrix(3, 1), QStringLiteral("1.5"));
        QCOMPARE(editor.CalGrid->TextMatrix(3, 2), QStringLiteral("2"));
        QCOMPARE(editor.CalGrid->TextMatrix(3, 3), QString());
    }

    void readGrowsTheGrid_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("lines");
        QTest::newRow("spec 80") << "spec" << 80;
        QTest::newRow("uncert 80") << "uncert" << 80;
        QTest::newRow("spec 500") << "spec" << 500;
        QTest::newRow("uncert 500") << "uncert" << 500;
    }
    void readGrowsTheGrid()
    {
        QFETCH(QString, kind);
        QFETCH(int, lines);
        TestEnv env;
        installMeter(kind, tableReply(lines));
        SpecTableEditor &editor = openEditor(kind);
        QCOMPARE(editor.CalGrid->Rows(), lines + 1);
        QCOMPARE(editor.CalGrid->TextMatrix(lines, 1), QString::number(lines) + QStringLiteral(".5"));
    }

    void readBadReplies_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("lastCell"); // row 1, column 3

        for (const char *kind : {"spec", "uncert"}) {
            const QString k = QString::fromLatin1(kind);
            QTest::addRow("%s timeout", kind) << k << QStringLiteral("TIMEOUT") << 2 << QString();
            QTest::addRow("%s nothing", kind) << k << QString() << 2 << QString();
            QTest::addRow("%s garbage", kind) << k << QString::fromLatin1("\xff\x00\r,,,\r*9\r") << 2 << QString();
            QTest::addRow("%s rows out of order", kind) << k << QStringLiteral("R02 b,1\rR01 a,1\rR03 c,1\r") << 2 << QString();
            QTest::addRow("%s trailing comma", kind) << k << QStringLiteral("R01 a,5,3,\r*0\r") << 2 << QString();
            QTest::addRow("%s long line", kind)
                << k << QStringLiteral("R01 ") + QString(10000, QLatin1Char('7')) + QStringLiteral(",1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\r")
                << 2 << QStringLiteral("3");
        }
        // Only the "pi" reply is cut with LF and a last line without CR.
        QTest::newRow("pi CR LF") << "uncert" << QStringLiteral("R01 a,5,3,4\r\nR02 b,1\r\n*0\r\n") << 3 << "4";
        QTest::newRow("pi last line without CR") << "uncert" << QStringLiteral("R01 a,5,3\rR02 b,7") << 3 << QString();
        QTest::newRow("ps last line without CR dropped") << "spec" << QStringLiteral("R01 a,5,3\rR02 b,7") << 2 << QString();
    }
    void readBadReplies()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reply);
        QFETCH(int, rows);
        QFETCH(QString, lastCell);
        TestEnv env;
        installMeter(kind, reply);
        SpecTableEditor &editor = openEditor(kind);
        QCOMPARE(editor.CalGrid->Rows(), rows);
        QCOMPARE(editor.CalGrid->TextMatrix(1, 3), lastCell);
        QVERIFY(editor.Command_LoadAllCalFactors->isEnabled());
        QVERIFY(env.ui.boxes.isEmpty());
    }

    void readWithoutDriver_data() { bothKinds(); }
    void readWithoutDriver()
    {
        QFETCH(QString, kind);
        TestEnv env;
        SpecTableEditor &editor = openEditor(kind);
        QCOMPARE(editor.CalGrid->Rows(), 2);
        editor.Command_SaveAll_Click();
        QCOMPARE(boxPrompts(env), QStringList{"Error entering setup mode"});
    }

    void loadFlags_data() { bothKinds(); }
    void loadFlags()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind, tableReply(3));
        state().OfflineMode = true;
        state().UserMode = true;
        SpecTableEditor &editor = openEditor(kind);
        QVERIFY(dvm.calls.isEmpty());
        QCOMPARE(editor.CalGrid->Rows(), 2);
        QVERIFY(editor.Command_ClearAll->isHidden());
        QVERIFY(!editor.Text_Version->isEnabled());
        QVERIFY(!editor.Text_Edit->isVisible());
        QVERIFY(editor.Text_Edit->x() < 0);
    }

    void versionBoxOnRead_data()
    {
        bothKinds();
    }
    void versionBoxOnRead()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.table"));
        QVERIFY(writeFile(path, "Version 3.10\r\n"));
        ScriptedDVM &dvm = installMeter(kind, tableReply(2));
        SpecTableEditor &editor = openEditor(kind);
        editor.FileLoad(path);
        QCOMPARE(editor.Text_Version->text(), QStringLiteral("3.10"));
        editor.Command_LoadAllCalFactors_Click();
        const bool emptied = kind == QLatin1String("uncert");
        QCOMPARE(editor.Text_Version->text(), emptied ? QString() : QStringLiteral("3.10"));

        // Every cell read is written again only once edited: make 101 pending.
        for (int r = 1; r <= 8; ++r)
            for (int c = 1; c <= 14; ++c)
                if ((r - 1) * 14 + c <= 101)
                    setPending(editor, r, c, QStringLiteral("1"));
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(dvm.commands().value(dvm.commands().size() - 2),
                 infoLine(kind, emptied ? QStringLiteral("___") : QStringLiteral("3.1")));
    }

    void saveOnlyBeyondRow70_data() { bothKinds(); }
    void saveOnlyBeyondRow70()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        setPending(editor, 71, 1, QStringLiteral("5"));
        setPending(editor, 72, 14, QStringLiteral("6"));
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        // The meter took no value: no information line.
        QCOMPARE(dvm.commands(), (QStringList{Password, Leave}));
        QCOMPARE(editor.CalGrid->cellBackColorAt(71, 1), CellColour::Pending);
    }

    void saveInformationLine_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("cells");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("versionPart");
        for (const char *kind : {"spec", "uncert"}) {
            const QString k = QString::fromLatin1(kind);
            QTest::addRow("%s 100 cells", kind) << k << 100 << "2.05" << "___";
            QTest::addRow("%s 101 cells", kind) << k << 101 << "2.05" << "2.0";
            QTest::addRow("%s 101 cells, no version", kind) << k << 101 << "" << "___";
            QTest::addRow("%s 140 cells", kind) << k << 140 << "3.10" << "3.1";
        }
    }
    void saveInformationLine()
    {
        QFETCH(QString, kind);
        QFETCH(int, cells);
        QFETCH(QString, version);
        QFETCH(QString, versionPart);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        for (int i = 0; i < cells; ++i)
            setPending(editor, 1 + i / 14, 1 + i % 14, QString::number(i));
        editor.Text_Version->setText(version);
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(writes(dvm, kind).size(), cells);
        QCOMPARE(dvm.commands().first(), Password);
        QCOMPARE(dvm.commands().value(dvm.commands().size() - 2), infoLine(kind, versionPart));
        QCOMPARE(dvm.commands().last(), Leave);
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 1), editor.CalGrid->BackColor());
        QVERIFY(env.ui.boxes.isEmpty());
    }

    void saveOrderAndValues_data() { bothKinds(); }
    void saveOrderAndValues()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind, tableReply(3));
        SpecTableEditor &editor = openEditor(kind);
        setPending(editor, 2, 3, QStringLiteral("12.50"));
        setPending(editor, 1, 14, QStringLiteral("-1e-7"));
        setPending(editor, 3, 1, QStringLiteral(" 7 "));
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        const QString w = kindOf(kind).writePrefix;
        QCOMPARE(writes(dvm, kind), (QStringList{w + "1,13,-1E-07", w + "2,2,12.5", w + "3,0,7"}));
        for (const auto &call : dvm.calls) {
            QVERIFY(call.waitForAck);
            QCOMPARE(call.packetEndCondition, 1);
        }
        QCOMPARE(dvm.calls[1].timeout, 10);
    }

    void saveReplyColours_data() { bothKinds(); }
    void saveReplyColours()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        const QStringList replies{"*0\r", "*9\r", "BUSY", "*0 trailing\r", "*1\r", "TIMEOUT", ""};
        const QList<ColourValue> colours{editor.CalGrid->BackColor(), CellColour::Rejected, CellColour::Failed,
                                         editor.CalGrid->BackColor(), CellColour::Failed, CellColour::Failed,
                                         CellColour::Pending};
        for (int c = 1; c <= replies.size(); ++c)
            setPending(editor, 1, c, QString::number(c));
        int next = 0;
        const QString prefix = kindOf(kind).writePrefix;
        dvm.reply = [&](const QString &command) { return command.startsWith(prefix) ? replies.value(next++) : Ok; };
        editor.Command_SaveAll_Click();
        for (int c = 1; c <= replies.size(); ++c)
            QCOMPARE(editor.CalGrid->cellBackColorAt(1, c), colours[c - 1]);
        // The time-out ends the save: the last cell stays pending, the meter's table may have
        // changed, so its line goes out without the version, and one message says what was
        // not written.
        QCOMPARE(next, replies.size() - 1);
        const SpecTableKind &k = kindOf(kind);
        QCOMPARE(dvm.commands().filter(QStringLiteral("&0")),
                 QStringList{QStringLiteral("&%1").arg(k.infoSlot, 2, 10, QLatin1Char('0')) + k.infoWord
                             + QStringLiteral(" ___ ") + Today});
        QCOMPARE(dvm.commands().last(), Leave);
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, QStringLiteral("The meter did not answer: 5 values not written"));
    }

    void saveStopsOnPasswordNeeded_data() { bothKinds(); }
    void saveStopsOnPasswordNeeded()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        for (int c = 1; c <= 5; ++c)
            setPending(editor, 1, c, QString::number(c));
        int written = 0;
        const QString prefix = kindOf(kind).writePrefix;
        dvm.reply = [&](const QString &command) {
            if (!command.startsWith(prefix))
                return Ok;
            return ++written == 3 ? QStringLiteral("*6\r") : Ok;
        };
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(writes(dvm, kind).size(), 3);
        QCOMPARE(boxPrompts(env), QStringList{"Setup Password Needed"});
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 2), editor.CalGrid->BackColor());
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 3), CellColour::BeingWritten);
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 4), CellColour::Pending);
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 5), CellColour::Pending);
        QVERIFY(dvm.commands().filter(QRegularExpression(QStringLiteral("^&"))).isEmpty());
        QCOMPARE(dvm.commands().last(), Leave);
        QVERIFY(editor.Command_SaveAll->isEnabled());
        QCOMPARE(env.ui.hourglassDepth, 0);
    }

    void saveMarksNonNumbersFailed_data() { bothKinds(); }
    void saveMarksNonNumbersFailed()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        setPending(editor, 1, 1, QStringLiteral("abc"));
        setPending(editor, 1, 2, QStringLiteral("1,5"));
        setPending(editor, 1, 3, QStringLiteral("1e999"));
        setPending(editor, 1, 4, QStringLiteral("4"));
        editor.CalGrid->setTextMatrix(1, 5, QStringLiteral("not pending"));
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(writes(dvm, kind), QStringList{kindOf(kind).writePrefix + "1,3,4"});
        for (int c = 1; c <= 3; ++c)
            QCOMPARE(editor.CalGrid->cellBackColorAt(1, c), CellColour::Failed);
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 5), editor.CalGrid->BackColor());
    }

    void saveRefusedPassword_data() { bothKinds(); }
    void saveRefusedPassword()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        setPending(editor, 1, 1, QStringLiteral("1"));
        dvm.reply = [](const QString &) { return QStringLiteral("*6\r"); };
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(dvm.commands(), QStringList{Password});
        QCOMPARE(boxPrompts(env), QStringList{"Error entering setup mode"});
        QCOMPARE(env.ui.boxes[0].style, int(Msg::OKOnly));
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 1), CellColour::Pending);
        QVERIFY(editor.Command_SaveAll->isEnabled());
    }

    void saveInformationRefused_data() { bothKinds(); }
    void saveInformationRefused()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        setPending(editor, 1, 1, QStringLiteral("1"));
        dvm.reply = [](const QString &command) { return command.startsWith(QLatin1Char('&')) ? QStringLiteral("*9\r") : Ok; };
        editor.Command_SaveAll_Click();
        QCOMPARE(boxPrompts(env), QStringList{"Set Information Failed "});
        QCOMPARE(dvm.commands().last(), Leave);
    }

    void saveWithNothingPending_data() { bothKinds(); }
    void saveWithNothingPending()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind, tableReply(5));
        SpecTableEditor &editor = openEditor(kind);
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(dvm.commands(), (QStringList{Password, Leave}));
    }

    void clear_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("setupReply");
        QTest::addColumn<QString>("clearReply");
        QTest::addColumn<QStringList>("commands"); // with R for the read command, C for the clear
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("prompts"); // after the question

        for (const char *kind : {"spec", "uncert"}) {
            const QString k = QString::fromLatin1(kind);
            const SpecTableKind &sk = kindOf(k);
            QTest::addRow("%s answered No", kind) << k << int(Msg::No) << Ok << Ok << QStringList{} << QString() << QStringList{};
            QTest::addRow("%s cleared", kind) << k << int(Msg::Yes) << Ok << Ok
                                              << QStringList{Access, "C", Leave, "R"} << sk.clearedText << QStringList{};
            QTest::addRow("%s not cleared", kind) << k << int(Msg::Yes) << Ok << QStringLiteral("TIMEOUT")
                                                  << QStringList{Access, "C", Leave, "R"} << sk.notClearedText
                                                  << QStringList{};
            QTest::addRow("%s setup refused", kind) << k << int(Msg::Yes) << QStringLiteral("*6\r") << Ok
                                                    << QStringList{Access} << QString()
                                                    << QStringList{"Error entering setup mode"};
        }
    }
    void clear()
    {
        QFETCH(QString, kind);
        QFETCH(int, answer);
        QFETCH(QString, setupReply);
        QFETCH(QString, clearReply);
        QFETCH(QStringList, commands);
        QFETCH(QString, status);
        QFETCH(QStringList, prompts);
        TestEnv env;
        const SpecTableKind &k = kindOf(kind);
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        dvm.reply = [&](const QString &command) {
            if (command == Access)
                return setupReply;
            if (command == k.clearCommand)
                return clearReply;
            if (command == k.readCommand)
                return tableReply(2);
            return Ok;
        };
        dvm.calls.clear();
        env.ui.answerBoxes({Msg::Answer(answer)});
        editor.Command_ClearAll_Click();

        QStringList expected = commands;
        expected.replaceInStrings(QRegularExpression(QStringLiteral("^C$")), k.clearCommand);
        expected.replaceInStrings(QRegularExpression(QStringLiteral("^R$")), k.readCommand);
        QCOMPARE(dvm.commands(), expected);
        QCOMPARE(env.ui.boxes[0].prompt, k.clearQuestion);
        QCOMPARE(env.ui.boxes[0].title, k.clearTitle);
        QCOMPARE(env.ui.boxes[0].style, int(Msg::YesNo | Msg::Question | Msg::DefaultButton2));
        QCOMPARE(boxPrompts(env).mid(1), prompts);
        QCOMPARE(env.host.statusText(), status);
        if (expected.contains(k.clearCommand)) {
            QCOMPARE(dvm.calls[1].timeout, 120);
            QCOMPARE(editor.CalGrid->Rows(), 3); // read again
        }
        QVERIFY(editor.Command_ClearAll->isEnabled());
    }

    void fileLoadThenSaveToMeter_data() { bothKinds(); }
    void fileLoadThenSaveToMeter()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("default") + kindOf(kind).fileExtension);
        QVERIFY(writeFile(path, "# defaults\r\nVersion 1.25\r\n10V DC , 5,3,\r\n\r\n1V AC , 1,2,3\r\n"));
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        editor.FileLoad(path);
        QCOMPARE(editor.Text_Version->text(), QStringLiteral("1.25"));
        QCOMPARE(editor.CalGrid->Rows(), 4);
        QCOMPARE(editor.CalGrid->TextMatrix(1, 0), QStringLiteral("10V DC"));
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 0), editor.CalGrid->BackColor());
        QCOMPARE(editor.CalGrid->cellBackColorAt(3, 2), CellColour::Pending);
        QCOMPARE(editor.CalGrid->TextMatrix(3, 3), QString());

        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        const QString w = kindOf(kind).writePrefix;
        QCOMPARE(dvm.commands(), (QStringList{Password, w + "1,0,5", w + "1,1,3", w + "3,0,1", w + "3,1,2",
                                              infoLine(kind, QStringLiteral("___")), Leave}));
    }

    // A loaded table, from a file or the meter, is on screen at the end of the load: the
    // view knows every row and has painted them, with no time passing.
    void loadShowsAtOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("fromFile");
        for (const char *kind : {"spec", "uncert"}) {
            QTest::addRow("%s from a file", kind) << QString::fromLatin1(kind) << true;
            QTest::addRow("%s from the meter", kind) << QString::fromLatin1(kind) << false;
        }
    }
    void loadShowsAtOnce()
    {
        QFETCH(QString, kind);
        QFETCH(bool, fromFile);
        TestEnv env;
        QTemporaryDir dir;
        QByteArray bytes("Version 2\r\n");
        for (int row = 1; row <= 70; ++row)
            bytes += "R" + QByteArray::number(row).rightJustified(2, '0') + " row," + QByteArray::number(row) + ".5,"
                     + QByteArray::number(row) + "\r\n";
        const QString path = dir.filePath(QStringLiteral("load") + kindOf(kind).fileExtension);
        QVERIFY(writeFile(path, bytes));
        installMeter(kind, tableReply(70));
        state().OfflineMode = true;
        SpecTableEditor &editor = openEditor(kind);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        env.clock.advance(PacedDisplay::IntervalMs);
        QCoreApplication::processEvents();
        int paints = 0;
        PaintCounter counter(paints);
        editor.CalGrid->viewport()->installEventFilter(&counter);

        if (fromFile)
            editor.FileLoad(path);
        else
            editor.Command_LoadAllCalFactors_Click();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(editor.CalGrid->model()->rowCount(), 70);
        QCOMPARE(editor.CalGrid->model()->headerData(69, Qt::Vertical).toString(), QStringLiteral("R70 row"));
        QVERIFY(paints > 0);
    }

    void fileLoadFailures_data() { bothKinds(); }
    void fileLoadFailures()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        installMeter(kind, tableReply(3));
        SpecTableEditor &editor = openEditor(kind);
        editor.Text_Version->setText(QStringLiteral("old"));
        editor.FileLoad(dir.filePath(QStringLiteral("missing")));
        QCOMPARE(env.ui.boxes.size(), 1);
        QVERIFY(env.ui.boxes[0].prompt.startsWith(kindOf(kind).loadErrorText));
        QVERIFY(env.ui.boxes[0].prompt.size() > kindOf(kind).loadErrorText.size());
        QCOMPARE(editor.CalGrid->Rows(), 2);
        QCOMPARE(editor.Text_Version->text(), QString());

        editor.FileLoad(dir.path()); // a folder
        QCOMPARE(env.ui.boxes.size(), 2);
    }

    void fileLoadBigFile_data() { bothKinds(); }
    void fileLoadBigFile()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        QByteArray bytes("Version x\r\n");
        for (int i = 1; i <= 90; ++i)
            bytes += "r , " + QByteArray(10000, '1') + ",2,\r\n";
        const QString path = dir.filePath(QStringLiteral("big"));
        QVERIFY(writeFile(path, bytes));
        SpecTableEditor &editor = openEditor(kind);
        editor.FileLoad(path);
        QCOMPARE(editor.CalGrid->Rows(), 91);
        QCOMPARE(editor.CalGrid->TextMatrix(90, 2), QStringLiteral("2"));
    }

    // A file larger than any meter table is refused before it is read.
    void fileLoadSizeLimit_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<qint64>("size");
        for (const char *kind : {"spec", "uncert"}) {
            QTest::addRow("%s at the limit", kind) << QString::fromLatin1(kind) << MaxTableFileBytes;
            QTest::addRow("%s one byte over", kind) << QString::fromLatin1(kind) << MaxTableFileBytes + 1;
        }
    }
    void fileLoadSizeLimit()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, size);
        TestEnv env;
        QTemporaryDir dir;
        QByteArray bytes("Version 2\r\nR01 , 5,\r\n#");
        bytes += QByteArray(size - bytes.size(), 'x');
        const QString path = dir.filePath(QStringLiteral("large"));
        QVERIFY(writeFile(path, bytes));
        SpecTableEditor &editor = openEditor(kind);
        editor.FileLoad(path);
        const bool tooLarge = size > MaxTableFileBytes;
        QCOMPARE(boxPrompts(env), tooLarge ? QStringList{kindOf(kind).loadErrorText + "File too large for a meter table"}
                                           : QStringList{});
        QCOMPARE(editor.CalGrid->TextMatrix(1, 1), tooLarge ? QString() : QStringLiteral("5"));
        QCOMPARE(editor.Text_Version->text(), tooLarge ? QString() : QStringLiteral("2"));
    }

    void fileSaveAndReload_data() { bothKinds(); }
    void fileSaveAndReload()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        const SpecTableKind &k = kindOf(kind);
        installMeter(kind, QStringLiteral("R01 a,1,2,0,0,5\rR02 b\rR03 c,7\r*0\r"));
        SpecTableEditor &editor = openEditor(kind);
        editor.CalGrid->setTextMatrix(1, 3, QString());
        editor.CalGrid->setTextMatrix(1, 4, QString());
        editor.Text_Version->setText(QStringLiteral(" 2.5 "));
        const QString path = dir.filePath(QStringLiteral("saved") + k.fileExtension);
        env.ui.answerFiles({path});
        editor.Command_FileSave_Click();

        QCOMPARE(env.ui.fileRequests.size(), 1);
        const FileDialogRequest &request = env.ui.fileRequests[0];
        QCOMPARE(request.filter, k.fileFilter);
        QCOMPARE(request.filterIndex, 1);
        QCOMPARE(request.defaultExt, k.fileExtension);
        QCOMPARE(request.flags, int(FileDialogRequest::SaveOverwriteCheck));
        QCOMPARE(request.fileName, QStringLiteral("DMMBackup-14Mar26") + k.fileExtension);
        QCOMPARE(readFile(path), QByteArray("Version 2.5\r\nR01 a , 1,2,5,\r\nR02 b , \r\nR03 c , 7,\r\n"));
        QVERIFY(env.ui.boxes.isEmpty());

        env.ui.answerFiles({path});
        editor.Command_FileLoad_Click();
        QCOMPARE(env.ui.fileRequests[1].flags, int(FileDialogRequest::FileMustExist));
        QCOMPARE(env.ui.fileRequests[1].fileName, QString());
        QCOMPARE(editor.Text_Version->text(), QStringLiteral("2.5"));
        QCOMPARE(editor.CalGrid->TextMatrix(1, 3), QStringLiteral("5"));
        QCOMPARE(editor.CalGrid->TextMatrix(2, 0), QStringLiteral("R02 b"));
        QCOMPARE(editor.CalGrid->TextMatrix(3, 1), QStringLiteral("7"));
        QCOMPARE(editor.CalGrid->cellBackColorAt(3, 1), CellColour::Pending);
    }

    void fileSaveFailures_data() { bothKinds(); }
    void fileSaveFailures()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        installMeter(kind, tableReply(2));
        SpecTableEditor &editor = openEditor(kind);
        const QString path = dir.filePath(QStringLiteral("kept"));
        QVERIFY(writeFile(path, "old content"));

        env.ui.answerFiles({std::nullopt});
        editor.Command_FileSave_Click(); // cancelled: nothing
        QVERIFY(env.ui.boxes.isEmpty());

        env.ui.answerFiles({QString()});
        editor.Command_FileSave_Click();
        QCOMPARE(boxPrompts(env), QStringList{"Backup not saved"});
        QCOMPARE(env.ui.boxes[0].style, int(Msg::Critical));

        editor.CalGrid->setTextMatrix(2, 2, QStringLiteral("1,5"));
        env.ui.answerFiles({path});
        editor.Command_FileSave_Click();
        QCOMPARE(env.ui.boxes.size(), 2);
        QVERIFY(env.ui.boxes[1].prompt.startsWith(QStringLiteral("Backup not saved: The cell in row 2, column 2")));
        QCOMPARE(readFile(path), QByteArray("old content"));

        editor.CalGrid->setTextMatrix(2, 2, QStringLiteral("1.5"));
        env.ui.answerFiles({dir.filePath(QStringLiteral("no/such/folder/file"))});
        editor.Command_FileSave_Click();
        QCOMPARE(boxPrompts(env).last(), QStringLiteral("Backup not saved"));
    }

    void exitDuringSave_data() { bothKinds(); }
    void exitDuringSave()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        editor.show();
        for (int c = 1; c <= 6; ++c)
            setPending(editor, 1, c, QString::number(c));
        int written = 0;
        const QString prefix = kindOf(kind).writePrefix;
        QPushButton *exit = editor.Command_Exit;
        dvm.reply = [&](const QString &command) {
            if (command.startsWith(prefix) && ++written == 2)
                QMetaObject::invokeMethod(exit, [exit] { exit->click(); }, Qt::QueuedConnection);
            return Ok;
        };
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        QCOMPARE(written, 2);
        // The meter took two values: its table changed, so its line loses the version
        // before setup mode is left.
        const SpecTableKind &k = kindOf(kind);
        const QString line = QStringLiteral("&%1").arg(k.infoSlot, 2, 10, QLatin1Char('0')) + k.infoWord
                             + QStringLiteral(" ___ ") + Today;
        QCOMPARE(dvm.commands().mid(dvm.commands().size() - 2), (QStringList{line, Leave}));
        QTRY_VERIFY(findEditor(kind) == nullptr);
    }

    void databaseExportOfBothTables()
    {
        TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("6450 Multimeter.mdb"));
        QCOMPARE(runSql(path, {QStringLiteral("CREATE TABLE UNCERTAINTIES (\"INDEX\" INTEGER, DESCRIPTION TEXT, "
                                              "FREQ_LOW TEXT, FREQ_HIGH TEXT, RANGE_LOW TEXT, RANGE_HIGH TEXT, "
                                              "\"REF_%\" TEXT, REF_ZERO TEXT, \"LAB_%\" TEXT, LAB_ZERO TEXT)")}),
                 QStringList{});
        ScriptedDVM &dvm = installMeter(QStringLiteral("spec"), QStringLiteral("R01 a\rR02 b\rR03 10V DC,5,2\r*0\r"));
        SpecTableEditor &spec = appWindows().form<FormSpecifications>();
        env.ui.answerFiles({path});
        spec.Command_SaveDB_Click();

        dvm.reply = [](const QString &command) {
            return command == QLatin1String("pi") ? QStringLiteral("R01 a\rR02 b\rR03 10V DC,3,1\r*0\r") : Ok;
        };
        SpecTableEditor &unc = appWindows().form<FormImportedUncerts>();
        env.ui.answerFiles({path, std::nullopt});
        unc.Command_SaveDB_Click();
        QCOMPARE(runSql(path, {QStringLiteral("SELECT \"INDEX\", \"REF_%\", \"LAB_%\" FROM UNCERTAINTIES")}),
                 QStringList{"1|0.0005|0.0003"});
        QCOMPARE(env.ui.fileRequests[0].fileName, QStringLiteral("6450 Multimeter.mdb"));

        // Cancel in the dialog is reported, as every failure of the export is.
        const int boxesBefore = int(env.ui.boxes.size());
        unc.Command_SaveDB_Click();
        QCOMPARE(env.ui.boxes.size(), boxesBefore + 1);
    }

    void editedCellsAreWritten_data() { bothKinds(); }
    void editedCellsAreWritten()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind, QStringLiteral("R01 a,1,2,3\r*0\r"));
        SpecTableEditor &editor = openEditor(kind);
        editor.CalGrid->setRow(1);
        editor.CalGrid->setCol(2);
        editor.CalGrid_DblClick();
        QVERIFY(editor.isEditing());
        QCOMPARE(editor.Text_Edit->selectedText(), QStringLiteral("2"));
        editor.Text_Edit->setText(QStringLiteral("9"));
        editor.Text_Edit_KeyDown(13, 0);
        QCOMPARE(editor.CalGrid->TextMatrix(1, 2), QStringLiteral("9"));
        QCOMPARE(editor.CalGrid->cellBackColorAt(1, 2), CellColour::Pending);

        // An edit still open when Save is pressed reaches its cell as the save moves on.
        editor.CalGrid->setCol(3);
        editor.CalGrid_KeyPress('4');
        dvm.calls.clear();
        editor.Command_SaveAll_Click();
        const QString w = kindOf(kind).writePrefix;
        QCOMPARE(writes(dvm, kind), (QStringList{w + "1,1,9", w + "1,2,4"}));
        QVERIFY(!editor.isEditing());
    }

    // An edit still open when Save is pressed is a value of the save: counted when the meter
    // does not answer it.
    void openEditCountedWhenUnanswered_data() { bothKinds(); }
    void openEditCountedWhenUnanswered()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind, QStringLiteral("R01 a,1,2,3\r*0\r"));
        SpecTableEditor &editor = openEditor(kind);
        editor.CalGrid->setRow(1);
        editor.CalGrid->setCol(2);
        editor.CalGrid_KeyPress('9');
        QVERIFY(editor.isEditing());
        const QString prefix = kindOf(kind).writePrefix;
        dvm.reply = [prefix](const QString &command) {
            return command.startsWith(prefix) ? QStringLiteral("TIMEOUT") : Ok;
        };
        editor.Command_SaveAll_Click();
        QCOMPARE(writes(dvm, kind), (QStringList{prefix + "1,1,9"}));
        QCOMPARE(boxPrompts(env), (QStringList{"The meter did not answer: 1 value not written"}));
    }

    // An edit left open when the table is read again (from the meter or a file) belongs to
    // the old table: it never lands in the new one.
    void openEditDroppedByANewTable_data() { bothKinds(); }
    void openEditDroppedByANewTable()
    {
        QFETCH(QString, kind);
        TestEnv env;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t") + kindOf(kind).fileExtension);
        QVERIFY(writeFile(path, "Version 1\r\nA , 5,6,\r\n"));
        installMeter(kind, QStringLiteral("R01 a,1,2\r*0\r"));
        SpecTableEditor &editor = openEditor(kind);
        for (const char *reread : {"meter", "file"}) {
            editor.CalGrid->setRow(1);
            editor.CalGrid->setCol(1);
            editor.CalGrid_KeyPress('7');
            QVERIFY(editor.isEditing());
            if (QLatin1String(reread) == QLatin1String("meter"))
                editor.Command_LoadAllCalFactors_Click();
            else
                editor.FileLoad(path);
            editor.CalGrid_GotFocus();
            editor.CalGrid->setCol(2);
            QVERIFY2(!editor.isEditing(), reread);
            QCOMPARE(editor.CalGrid->TextMatrix(1, 1), QLatin1String(reread) == QLatin1String("meter") ? "1" : "5");
        }
    }

    void closingUnloads_data() { bothKinds(); }
    void closingUnloads()
    {
        QFETCH(QString, kind);
        TestEnv env;
        installMeter(kind, tableReply(2));
        SpecTableEditor &editor = openEditor(kind);
        editor.show();
        editor.close();
        QTRY_VERIFY(findEditor(kind) == nullptr);
        // Opened again: a fresh read.
        QCOMPARE(openEditor(kind).CalGrid->Rows(), 3);
    }

    // Closing the main window unloads every window, also while an editor waits for the meter
    // (an Ethernet exchange lets the window system run meanwhile).
    void unloadedWhileWaiting_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("action");
        for (const char *kind : {"spec", "uncert"})
            for (const char *action : {"read", "save", "clear"})
                QTest::addRow("%s %s", kind, action) << QString::fromLatin1(kind) << QString::fromLatin1(action);
    }
    void unloadedWhileWaiting()
    {
        QFETCH(QString, kind);
        QFETCH(QString, action);
        TestEnv env;
        const SpecTableKind &k = kindOf(kind);
        ScriptedDVM &dvm = installMeter(kind, tableReply(3));
        SpecTableEditor &editor = openEditor(kind);
        setPending(editor, 1, 1, QStringLiteral("1"));
        setPending(editor, 1, 2, QStringLiteral("2"));
        const QString trigger = action == QLatin1String("read")   ? k.readCommand
                                : action == QLatin1String("save") ? k.writePrefix + QStringLiteral("1,0,1")
                                                                  : k.clearCommand;
        dvm.reply = [&](const QString &command) {
            if (command == trigger)
                appWindows().unloadAll();
            return command == k.readCommand ? tableReply(3) : Ok;
        };
        dvm.calls.clear();
        env.ui.answerBoxes({Msg::Yes});
        if (action == QLatin1String("read"))
            editor.Command_LoadAllCalFactors_Click();
        else if (action == QLatin1String("save"))
            editor.Command_SaveAll_Click();
        else
            editor.Command_ClearAll_Click();
        QVERIFY(findEditor(kind) == nullptr);
        QCOMPARE(dvm.commands().last(), action == QLatin1String("read") ? k.readCommand : Leave);
        QCOMPARE(env.ui.hourglassDepth, 0);
    }

    // The database button keeps clear of the "Version" label beside it.
    void databaseButtonClearOfVersionLabel_data() { bothKinds(); }
    void databaseButtonClearOfVersionLabel()
    {
        QFETCH(QString, kind);
        TestEnv env;
        installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        QVERIFY(editor.Command_SaveDB->geometry().right() + 2 < editor.Label1->geometry().left());
    }

    void buttonsDisabledWhileReading_data() { bothKinds(); }
    void buttonsDisabledWhileReading()
    {
        QFETCH(QString, kind);
        TestEnv env;
        ScriptedDVM &dvm = installMeter(kind);
        SpecTableEditor &editor = openEditor(kind);
        bool disabledDuringRead = false;
        bool saveDbUsable = false;
        dvm.reply = [&](const QString &) {
            disabledDuringRead = !editor.Command_SaveAll->isEnabled() && !editor.Command_FileLoad->isEnabled();
            saveDbUsable = editor.Command_SaveDB->isEnabled() && editor.Command_Exit->isEnabled();
            // A second read clicked while one waits is refused.
            const MeterGate::Yield insideTheWait;
            editor.Command_LoadAllCalFactors_Click();
            return tableReply(1);
        };
        dvm.calls.clear();
        editor.Command_LoadAllCalFactors_Click();
        QVERIFY(disabledDuringRead);
        QVERIFY(saveDbUsable);
        QCOMPARE(dvm.calls.size(), 1);
        QCOMPARE(env.ui.boxes.size(), 1);
        QCOMPARE(env.ui.boxes[0].prompt, MeterGate::BusyMessage);
        QVERIFY(editor.Command_SaveAll->isEnabled());
    }
};

QTEST_MAIN(SpecsGuiTest)
#include "specs_guitest.moc"
