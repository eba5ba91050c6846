#pragma once
#include <QEvent>
#include <QObject>

// Counts the paint events of the widget it filters.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(int &paints) : m_paints(paints) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_paints += event->type() == QEvent::Paint;
        return false;
    }

private:
    int &m_paints;
};
