#include "widgets/PacedDisplay.h"
#include "widgets/WindowRegistry.h"
#include "tests/support/TestEnv.h"

#include <QtTest>

namespace {

class PacedWindow : public QWidget
{
    Q_OBJECT
public:
    RunGuard guard{this};
};

} // namespace

class PacedDisplayGuiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // States handed in at the given times (ms on the virtual clock); which of them are shown
    // by show itself, and what is shown last once the display ends.
    void showsAtMostOncePerInterval_data()
    {
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<QList<int>>("shownAtOnce");
        QTest::addColumn<int>("shownLast");
        const int interval = PacedDisplay::IntervalMs;
        QTest::newRow("one state") << QList<int>{0} << QList<int>{0} << 0;
        QTest::newRow("a state within the interval waits for the end")
            << QList<int>{0, interval / 2} << QList<int>{0} << 1;
        QTest::newRow("the interval passed")
            << QList<int>{0, interval, interval + 10, 2 * interval} << QList<int>{0, 1, 3} << 3;
        QTest::newRow("kept states are replaced by later ones")
            << QList<int>{0, 10, 20, 30, interval - 1} << QList<int>{0} << 4;
    }
    void showsAtMostOncePerInterval()
    {
        QFETCH(QList<int>, times);
        QFETCH(QList<int>, shownAtOnce);
        QFETCH(int, shownLast);
        TestEnv env;
        PacedWindow &window = appWindows().form<PacedWindow>();
        const RunGuard::Run run = window.guard.begin();
        QList<int> shown;
        {
            PacedDisplay display(run);
            for (int i = 0; i < times.size(); ++i) {
                env.clock.advance(times[i] - env.clock.monotonicMs());
                display.show([&shown, i] { shown.append(i); });
            }
            QCOMPARE(shown, shownAtOnce);
        }
        QCOMPARE(shown.last(), shownLast);
    }

    // flush shows the kept state at once (before a message box); after an unload nothing
    // more is shown.
    void flushAndUnload()
    {
        TestEnv env;
        PacedWindow &window = appWindows().form<PacedWindow>();
        const RunGuard::Run run = window.guard.begin();
        int shown = 0;
        PacedDisplay display(run);
        display.show([&shown] { shown = 1; });
        display.show([&shown] { shown = 2; });
        QCOMPARE(shown, 1);
        display.flush();
        QCOMPARE(shown, 2);
        display.show([&shown] { shown = 3; });
        appWindows().unload<PacedWindow>();
        display.flush();
        QCOMPARE(shown, 2);
    }
};

QTEST_MAIN(PacedDisplayGuiTest)
#include "paceddisplay_guitest.moc"
