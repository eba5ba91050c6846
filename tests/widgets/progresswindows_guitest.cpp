#include "link/SharedState.h"
#include "tests/support/TestEnv.h"
#include "widgets/FormProgress.h"
#include "widgets/Form_List_Dialogue.h"
#include "widgets/WindowRegistry.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {
QString crs(int count) { return QString("Range 1,2,3\r").repeated(count); }
} // namespace

class ProgressWindowsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void progressCountsLinesBelowTheMaximum_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("bar");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("69 of 70") << 69 << 69;
        QTest::newRow("70 of 70 leaves the bar") << 70 << 12;
        QTest::newRow("more than the maximum") << 75 << 12;
    }
    void progressCountsLinesBelowTheMaximum()
    {
        QFETCH(int, lines);
        QFETCH(int, bar);
        TestEnv env;
        FormProgress &progress = appWindows().form<FormProgress>();
        progress.SetMaxLines(70);
        progress.ProgressText(crs(12));
        progress.ProgressText(crs(lines));
        QCOMPARE(progress.ProgressBar1->value(), bar);
        QCOMPARE(progress.LabelMessage->text(), QString::number(crs(lines).size()) + " ");
    }

    void resetShowsWaiting()
    {
        TestEnv env;
        FormProgress &progress = appWindows().form<FormProgress>();
        progress.SetMaxLines(60);
        progress.ProgressText(crs(5));
        QCOMPARE(progress.ProgressBar1->maximum(), 60);
        progress.Reset();
        QCOMPARE(progress.ProgressBar1->value(), 0);
        QCOMPARE(progress.LabelMessage->text(), QString("Waiting for reply..."));
    }

    void zeroMaximumKeepsThePreviousOneAndResets()
    {
        TestEnv env;
        FormProgress &progress = appWindows().form<FormProgress>();
        progress.SetMaxLines(70);
        progress.ProgressText(crs(30));
        progress.SetMaxLines(0);
        QCOMPARE(progress.ProgressBar1->maximum(), 70);
        QCOMPARE(progress.ProgressBar1->value(), 0);
        QCOMPARE(progress.LabelMessage->text(), QString("Waiting for reply..."));
        progress.SetMaxCharacters(-3);
        QCOMPARE(progress.ProgressBar1->maximum(), 70);
        QVERIFY(!progress.lineMode());
    }

    void emptyTextShowsZero()
    {
        TestEnv env;
        FormProgress &progress = appWindows().form<FormProgress>();
        progress.SetMaxLines(70);
        progress.ProgressText(QString());
        QCOMPARE(progress.LabelMessage->text(), QString("0 "));
        QCOMPARE(progress.ProgressBar1->value(), 0);
    }

    void characterModeCountsCharacters()
    {
        TestEnv env;
        FormProgress &progress = appWindows().form<FormProgress>();
        progress.SetMaxCharacters(10);
        progress.ProgressText("abc\r\rdefg");
        QCOMPARE(progress.ProgressBar1->value(), 9);
        progress.ProgressText("0123456789");
        QCOMPARE(progress.ProgressBar1->value(), 9);
        // Line mode again with a new maximum: CRs count, not characters.
        progress.SetMaxLines(5);
        progress.ProgressText("a\rb\r");
        QCOMPARE(progress.ProgressBar1->value(), 2);
    }

    void incrementStopsAtTheMaximum()
    {
        TestEnv env;
        FormProgress &progress = appWindows().form<FormProgress>();
        progress.SetMaxLines(2);
        for (int i = 0; i < 5; ++i)
            progress.Increment();
        QCOMPARE(progress.ProgressBar1->value(), 2);
    }

    void feedReachesOnlyAVisibleWindow()
    {
        TestEnv env;
        QVERIFY(!appWindows().isLoaded<FormProgress>());
        FeedProgressWindow(crs(3));
        // Addressed once: created, hidden, not fed.
        FormProgress *progress = appWindows().find<FormProgress>();
        QVERIFY(progress);
        QVERIFY(!progress->isVisible());
        QCOMPARE(progress->LabelMessage->text(), QString("Message"));

        progress->show();
        progress->SetMaxLines(70);
        FeedProgressWindow(crs(3));
        QCOMPARE(progress->ProgressBar1->value(), 3);
        QCOMPARE(progress->LabelMessage->text(), QString::number(crs(3).size()) + " ");
        QCOMPARE(progress->windowTitle(), QString("Download Progress"));
    }

    void listOkKeepsTheSelection()
    {
        TestEnv env;
        Form_List_Dialogue &dialog = appWindows().form<Form_List_Dialogue>();
        QCOMPARE(dialog.windowTitle(), QString("Select Item"));
        dialog.List1->addItems({"6450 on COM1", "6450 on USB", "6480 on Ethernet"});
        dialog.show();
        dialog.List1->setCurrentRow(1);
        QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.ItemSelected(), 1);
    }

    void listCancelDeselects()
    {
        TestEnv env;
        Form_List_Dialogue &dialog = appWindows().form<Form_List_Dialogue>();
        dialog.List1->addItems({"first", "second"});
        dialog.show();
        dialog.List1->setCurrentRow(1);
        QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.ItemSelected(), -1);
    }

    void listEscapeCountsAsCancel()
    {
        TestEnv env;
        Form_List_Dialogue &dialog = appWindows().form<Form_List_Dialogue>();
        dialog.List1->addItems({"first", "second"});
        dialog.show();
        dialog.List1->setCurrentRow(0);
        dialog.reject();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.ItemSelected(), -1);
    }

    void emptyListGivesNone()
    {
        TestEnv env;
        Form_List_Dialogue &dialog = appWindows().form<Form_List_Dialogue>();
        dialog.show();
        dialog.OKButton_Click();
        QCOMPARE(dialog.ItemSelected(), -1);
    }
};

QTEST_MAIN(ProgressWindowsTest)
#include "progresswindows_guitest.moc"
