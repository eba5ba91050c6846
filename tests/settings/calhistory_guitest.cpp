// The calibration history dialog against the simulated meter: events newest first, the
// ranges of the selected event, "Loading ..." during the read, failures, and the resize rule.
#include "widgets/Twips.h"
#include "settings/Form_CalHistory.h"
#include "tests/settings/SettingsFixture.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using metersim::Fault;

namespace {

QStringList texts(const QListWidget *list)
{
    QStringList out;
    for (int row = 0; row < list->count(); ++row)
        out << list->item(row)->text();
    return out;
}

} // namespace

class CalHistoryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eventsAndRanges()
    {
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) {
            s.history = {{QDate(2016, 5, 12), {1, 2, 3}}, {QDate(2017, 4, 3), {33}}};
        });
        auto &form = appWindows().form<Form_CalHistory>();
        QCOMPARE(form.windowTitle(), QStringLiteral("Calibration History"));
        QVERIFY(f.commands().isEmpty()); // loading reads nothing; activation does
        QStringList seenWhileReading;
        f.meter.setObserver([&](const metersim::TranscriptEntry &) { seenWhileReading = texts(form.List_CalEvents); });
        form.Form_Activate();
        QCOMPARE(f.calls(), QStringList{"CALIBRATE:HISTORY|1|10|1"});
        QCOMPARE(seenWhileReading, QStringList{"Loading ..."});
        QCOMPARE(texts(form.List_CalEvents), (QStringList{"03-Apr-17", "12-May-16"}));
        QCOMPARE(form.List_CalEvents->currentRow(), 0);
        QCOMPARE(texts(form.ListView1), QStringList{"1R 4-wire (33)"});
        form.List_CalEvents->setCurrentRow(1);
        QCOMPARE(texts(form.ListView1), (QStringList{"100mv DC (1)", "1V DC (2)", "10V DC (3)"}));

        // Update reads again and starts at the newest event.
        f.meter.editState([](metersim::MeterState &s) { s.history.append({QDate(2026, 12, 25), {63}}); });
        form.Command_Update->click();
        QCOMPARE(texts(form.List_CalEvents), (QStringList{"25-Dec-26", "03-Apr-17", "12-May-16"}));
        QCOMPARE(texts(form.ListView1), QStringList{"Unused (63)"});
        QCOMPARE(f.commands().size(), 2);
        QCOMPARE(f.env.ui.hourglassDepth, 0);
        QVERIFY(f.boxes().isEmpty());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("no reply") << "silence" << QStringList{" --- "};
        QTest::newRow("empty history") << "" << QStringList{" --- "};
        QTest::newRow("reply cut short") << "disconnect" << QStringList{" --- "};
    }
    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, entries);
        SettingsFixture f;
        f.meter.editState([](metersim::MeterState &s) { s.history.clear(); });
        if (fault == "silence")
            f.meter.addFault(Fault::Silence, "CALIBRATE", 1);
        else if (fault == "disconnect")
            f.meter.addFault(Fault::Disconnect, "CALIBRATE", 1);
        auto &form = appWindows().form<Form_CalHistory>();
        form.UpdateCalibrationEvents();
        QCOMPARE(texts(form.List_CalEvents), entries);
        QCOMPARE(form.List_CalEvents->currentRow(), 0);
        QCOMPARE(form.ListView1->count(), 0);
        QVERIFY(f.boxes().isEmpty());
    }

    // The lists take what the window gains; the buttons keep to the bottom edge.
    void resizeRule_data()
    {
        QTest::addColumn<int>("width"); // inner size in twips
        QTest::addColumn<int>("height");
        QTest::newRow("as laid out") << 7200 << 4800;
        QTest::newRow("larger") << 9000 << 6000;
        QTest::newRow("smaller") << 6000 << 3600;
    }
    void resizeRule()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        SettingsFixture f;
        auto &form = appWindows().form<Form_CalHistory>();
        form.resize(Twips::toPixels(width), Twips::toPixels(height));
        form.Form_Resize();
        const int events = form.List_CalEvents->width();
        QCOMPARE(form.ListView1->width(), Twips::toPixels(width - Twips::fromPixels(events) - 1200));
        QCOMPARE(form.ListView1->height(), Twips::toPixels(height - 1600));
        QCOMPARE(form.List_CalEvents->height(), Twips::toPixels(height - 1600));
        QCOMPARE(form.Command_Exit->y(), Twips::toPixels(height - 600));
        QCOMPARE(form.Command_Update->y(), Twips::toPixels(height - 600));
        // Nothing overlaps: the range list stays right of the event list and inside the window.
        QVERIFY(form.ListView1->x() > form.List_CalEvents->geometry().right());
        QVERIFY(form.ListView1->geometry().right() < form.width());
        QVERIFY(form.Command_Update->y() > form.List_CalEvents->geometry().bottom());
        QVERIFY(form.Command_Exit->geometry().bottom() < form.height());
    }
};

QTEST_MAIN(CalHistoryTest)
#include "calhistory_guitest.moc"
