#include "link/SharedState.h"
#include "tests/support/TestEnv.h"
#include "widgets/RunGuard.h"
#include "widgets/WindowRegistry.h"

#include <QtTest>

namespace {

// A window whose load lets events run, during which something asks for the window again.
class ReentrantLoadWindow : public QWidget
{
    Q_OBJECT
public:
    void Form_Load()
    {
        ++loads;
        seenDuringLoad = &appWindows().form<ReentrantLoadWindow>();
    }
    int loads = 0;
    ReentrantLoadWindow *seenDuringLoad = nullptr;
};

// A window that unloads itself from inside its own handler, then carries on.
class SelfUnloadingWindow : public QWidget
{
    Q_OBJECT
public:
    bool runHandler()
    {
        const RunGuard::Run run = guard.begin();
        appWindows().unload<SelfUnloadingWindow>(); // the Exit button pressed during a yield
        return !run.windowOpen();
    }
    RunGuard guard{this};
};

// Windows that note the order in which they are unloaded (hidden).
QStringList unloadOrder;
class NotingWindow : public QWidget
{
    Q_OBJECT
public:
    void hideEvent(QHideEvent *) override { unloadOrder << objectName(); }
};
class FirstWindow : public NotingWindow
{
    Q_OBJECT
public:
    FirstWindow() { setObjectName("1"); }
};
class SecondWindow : public NotingWindow
{
    Q_OBJECT
public:
    SecondWindow() { setObjectName("2"); }
};
class ThirdWindow : public NotingWindow
{
    Q_OBJECT
public:
    ThirdWindow() { setObjectName("3"); }
};

} // namespace

class WindowRegistryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadRunsOnceTheWindowIsRegistered()
    {
        TestEnv env;
        ReentrantLoadWindow &window = appWindows().form<ReentrantLoadWindow>();
        QCOMPARE(window.loads, 1);
        QCOMPARE(window.seenDuringLoad, &window);
    }

    void unloadingInsideAHandlerKeepsTheWindowUntilItReturns()
    {
        TestEnv env;
        QPointer<SelfUnloadingWindow> window = &appWindows().form<SelfUnloadingWindow>();
        QVERIFY(window->runHandler());      // the handler sees the window as unloaded...
        QVERIFY(!window.isNull());           // ...while the object itself is still there
        QVERIFY(!appWindows().isLoaded<SelfUnloadingWindow>());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

    void unloadAllUnloadsTheNewestFirst()
    {
        TestEnv env;
        for (QWidget *w : std::initializer_list<QWidget *>{&appWindows().form<FirstWindow>(),
                                                           &appWindows().form<SecondWindow>(),
                                                           &appWindows().form<ThirdWindow>()})
            w->show();
        unloadOrder.clear();
        appWindows().unloadAll(appWindows().find<SecondWindow>());
        QCOMPARE(unloadOrder, (QStringList{"3", "1"}));
        QVERIFY(appWindows().isLoaded<SecondWindow>());
    }

    // A window deleted behind the registry's back is not loaded, and its entry hides no
    // window of its class loaded after it.
    void aWindowDestroyedElsewhereIsNotLoaded()
    {
        TestEnv env;
        delete &appWindows().form<FirstWindow>();
        QVERIFY(!appWindows().isLoaded<FirstWindow>());
        FirstWindow &reloaded = appWindows().form<FirstWindow>();
        QCOMPARE(appWindows().find<FirstWindow>(), &reloaded);
        QCOMPARE(&appWindows().form<FirstWindow>(), &reloaded);
        QVERIFY(appWindows().holds(&reloaded));
    }

    void destroyAllDeletesAtOnce()
    {
        TestEnv env;
        QPointer<SelfUnloadingWindow> window = &appWindows().form<SelfUnloadingWindow>();
        appWindows().destroyAll();
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(WindowRegistryTest)
#include "windowregistry_guitest.moc"
