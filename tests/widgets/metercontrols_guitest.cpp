#include "link/SharedState.h"
#include "widgets/MeterControls.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>
#include <optional>

class MeterControlsGuiTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A window's meter controls are unavailable while the meter is held, whatever the window
    // does meanwhile, and then show what the window last asked for.
    void followTheWindowOnceFree_data()
    {
        QTest::addColumn<bool>("enabledBefore");
        QTest::addColumn<bool>("openedWhileHeld");
        QTest::addColumn<int>("setWhileHeld"); // -1: left alone, else 0 or 1
        QTest::newRow("enabled") << true << false << -1;
        QTest::newRow("disabled by the window") << false << false << -1;
        QTest::newRow("disabled by the window meanwhile") << true << false << 0;
        QTest::newRow("enabled by the window meanwhile") << false << false << 1;
        QTest::newRow("window opened while held") << true << true << -1;
        QTest::newRow("window opened while held, disabled by it") << false << true << -1;
    }
    void followTheWindowOnceFree()
    {
        QFETCH(bool, enabledBefore);
        QFETCH(bool, openedWhileHeld);
        QFETCH(int, setWhileHeld);
        QWidget window;
        auto *button = new QPushButton(&window);
        auto *action = new QAction(&window);
        button->setEnabled(enabledBefore);
        action->setEnabled(enabledBefore);
        std::optional<MeterGate::Operation> meter;
        if (openedWhileHeld)
            meter.emplace(meterGate().begin(MeterGate::Shown::Yes));
        new MeterControls(&window, {button}, {action});
        if (!openedWhileHeld)
            meter.emplace(meterGate().begin(MeterGate::Shown::Yes));

        if (setWhileHeld >= 0) {
            button->setEnabled(setWhileHeld);
            action->setEnabled(setWhileHeld);
        }
        QVERIFY(!button->isEnabled());
        QVERIFY(!action->isEnabled());
        meter.reset();
        const bool expected = setWhileHeld >= 0 ? setWhileHeld == 1 : enabledBefore;
        QCOMPARE(button->isEnabled(), expected);
        QCOMPARE(action->isEnabled(), expected);
        QVERIFY(!meterGate().held());
    }
};

QTEST_MAIN(MeterControlsGuiTest)
#include "metercontrols_guitest.moc"
