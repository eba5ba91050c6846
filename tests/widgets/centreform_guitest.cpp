#include "widgets/CentreForm.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

class CentreFormTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void centreForm()
    {
        QWidget window;
        window.resize(300, 200);
        CentreForm(window);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect frame = window.frameGeometry();
        QCOMPARE(frame.top(), screen.top() + (screen.height() - frame.height()) / 2);
        QCOMPARE(frame.left(), screen.left() + (screen.width() - frame.width()) / 2);
    }
};

QTEST_MAIN(CentreFormTest)
#include "centreform_guitest.moc"
