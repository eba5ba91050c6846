#include "link/SharedState.h"
#include "widgets/MeterControls.h"
#include "widgets/RunGuard.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>
#include <optional>

class MeterControlsGuiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A window's meter controls are unavailable while the meter is held, whatever the window
    // does meanwhile, and then show what the window last asked for. A control that is also
    // one of the window's table controls stays unavailable until neither holds it: a run of
    // the window (nested in the hold, as a setup-task run driving the window) ends before the
    // hold or after it.
    void followTheWindowOnceFree_data()
    {
        QTest::addColumn<bool>("enabledBefore");
        QTest::addColumn<bool>("openedWhileHeld");
        QTest::addColumn<int>("setWhileHeld"); // -1: left alone, else 0 or 1
        QTest::addColumn<int>("windowRun");    // 0: none, 1: ends first, 2: ends last
        QTest::newRow("enabled") << true << false << -1 << 0;
        QTest::newRow("disabled by the window") << false << false << -1 << 0;
        QTest::newRow("disabled by the window meanwhile") << true << false << 0 << 0;
        QTest::newRow("enabled by the window meanwhile") << false << false << 1 << 0;
        QTest::newRow("window opened while held") << true << true << -1 << 0;
        QTest::newRow("window opened while held, disabled by it") << false << true << -1 << 0;
        QTest::newRow("run of the window ends first") << true << false << -1 << 1;
        QTest::newRow("run of the window ends last") << true << false << -1 << 2;
        QTest::newRow("run of the window ends last, disabled by it meanwhile") << true << false << 0 << 2;
    }
    void followTheWindowOnceFree()
    {
        QFETCH(bool, enabledBefore);
        QFETCH(bool, openedWhileHeld);
        QFETCH(int, setWhileHeld);
        QFETCH(int, windowRun);
        QWidget window;
        auto *button = new QPushButton(&window);
        auto *action = new QAction(&window);
        button->setEnabled(enabledBefore);
        action->setEnabled(enabledBefore);
        std::optional<MeterGate::Operation> meter;
        if (openedWhileHeld)
            meter.emplace(meterGate().begin(MeterGate::Shown::Yes));
        new MeterControls(&window, {button}, {action});
        new TableControls(&window, {button});
        if (!openedWhileHeld)
            meter.emplace(meterGate().begin(MeterGate::Shown::Yes));
        RunGuard guard(&window);
        std::optional<RunGuard::Run> run;
        if (windowRun > 0)
            run.emplace(guard.beginOnMeter());

        if (setWhileHeld >= 0) {
            button->setEnabled(setWhileHeld);
            action->setEnabled(setWhileHeld);
        }
        QVERIFY(!button->isEnabled());
        QVERIFY(!action->isEnabled());
        if (windowRun == 1)
            run.reset();
        QVERIFY(!button->isEnabled());
        meter.reset();
        QCOMPARE(button->isEnabled(), windowRun != 2 && (setWhileHeld >= 0 ? setWhileHeld == 1 : enabledBefore));
        run.reset();
        const bool expected = setWhileHeld >= 0 ? setWhileHeld == 1 : enabledBefore;
        QCOMPARE(button->isEnabled(), expected);
        QCOMPARE(action->isEnabled(), expected);
        QVERIFY(!meterGate().held());
    }
};

QTEST_MAIN(MeterControlsGuiTest)
#include "metercontrols_guitest.moc"
