#include "widgets/RunGuard.h"
#include "widgets/WindowRegistry.h"
#include "tests/support/TestEnv.h"

#include <QtTest>
#include <optional>

namespace {

// A registry window with a guard, as a window with runs would hold one.
class GuardedWindow : public QWidget
{
    Q_OBJECT
public:
    RunGuard guard{this};
};

GuardedWindow &openWindow()
{
    GuardedWindow &window = appWindows().form<GuardedWindow>();
    window.show();
    return window;
}

bool loaded() { return appWindows().isLoaded<GuardedWindow>(); }

} // namespace

class RunGuardGuiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stopIsClearedByTheNextRun()
    {
        TestEnv env;
        RunGuard &guard = openWindow().guard;
        guard.requestStop();
        QVERIFY(guard.stopRequested());
        const RunGuard::Run run = guard.begin();
        QVERIFY(!run.stopRequested());
        guard.requestStop();
        QVERIFY(run.stopRequested());
        const RunGuard::Run inner = guard.begin(); // joins the run under way: the stop stands
        QVERIFY(inner.stopRequested());
    }

    // Exit: at once when idle, else hidden and out of the registry at once (opening it again
    // makes a new window), and deleted once the last run has ended.
    void unloadWhenIdle_data()
    {
        QTest::addColumn<int>("runs");
        QTest::newRow("idle") << 0;
        QTest::newRow("one run") << 1;
        QTest::newRow("two runs") << 2;
    }
    void unloadWhenIdle()
    {
        QFETCH(int, runs);
        TestEnv env;
        QPointer<GuardedWindow> window(&openWindow());
        std::optional<RunGuard::Run> outer, inner;
        if (runs >= 1)
            outer.emplace(window->guard.begin());
        if (runs >= 2)
            inner.emplace(window->guard.begin());
        window->guard.unloadWhenIdle();
        QVERIFY(!loaded());
        if (runs == 0)
            return;
        QVERIFY(window->isHidden());
        QVERIFY(!outer->windowOpen()); // closed: its runs send nothing more for it
        inner.reset();
        QCoreApplication::processEvents();
        QVERIFY(window);
        outer.reset();
        QVERIFY(window); // the handler that ended the run returns first
        QTRY_VERIFY(!window);
        QVERIFY(!loaded());
    }

    // Unloaded or destroyed under a run: the run says so, and ending it touches nothing.
    void windowGoneUnderARun_data()
    {
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("unloaded") << false;
        QTest::newRow("destroyed") << true;
    }
    void windowGoneUnderARun()
    {
        QFETCH(bool, destroyed);
        TestEnv env;
        QPointer<GuardedWindow> window(&openWindow());
        {
            const RunGuard::Run run = window->guard.begin();
            window->guard.unloadWhenIdle(); // Exit during the run
            appWindows().unloadAll();    // then the main window closes
            QVERIFY(!run.windowOpen());
            if (destroyed) {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QVERIFY(!window);
            }
            QVERIFY(!run.windowOpen());
        }
        QTRY_VERIFY(!window);
        // A window of the same class loaded afterwards is not unloaded by the old run.
        openWindow();
        QCoreApplication::processEvents();
        QVERIFY(loaded());
    }
};

QTEST_MAIN(RunGuardGuiTest)
#include "runguard_guitest.moc"
