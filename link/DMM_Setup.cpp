#include "link/DMM_Setup.h"
#include "link/SharedState.h"
#include "link/platform/Clock.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void Wait(double seconds)
{
    Clock &clock = appClock();
    const qint64 start = clock.monotonicMs();
    const double limitMs = seconds * 1000.0;
    for (qint64 elapsed = 0; elapsed <= limitMs; elapsed = clock.monotonicMs() - start)
        clock.sleepMs(std::max(1, static_cast<int>(limitMs - elapsed)));
}

void CentreForm(QWidget &window)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

void ShowActivity(const QString &text)
{
    mainHost().replyActivity(text);
}
