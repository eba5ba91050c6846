#pragma once
#include <QString>

// The activity bar after one more mark: it grows by one "|" and is emptied when it would
// reach 26 marks, so it shows 1 to 25 marks and empties on every 26th call.
inline QString GrowActivityBar(const QString &bar)
{
    QString grown = bar + QLatin1Char('|');
    if (grown.size() >= 26)
        grown.clear();
    return grown;
}

// What the link needs of the main window: the status-bar panels (1 port state,
// 2 activity bar), the hidden result text `Text_Status`, and the activity of the reply
// loops. The main window implements it; without one (tests, start-up) a plain in-memory
// host stands in.
class MainWindowHost
{
public:
    virtual ~MainWindowHost() = default;
    virtual QString statusPanelText(int panel) const = 0;
    virtual void setStatusPanelText(int panel, const QString &text) = 0;
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString &text) = 0;
    // Called by the transports on every turn of a reply loop with the reply received so
    // far (ShowActivity): the host grows the activity bar in panel 2 (GrowActivityBar);
    // the main window also feeds its progress window.
    virtual void replyActivity(const QString &replySoFar) = 0;
};

class MemoryMainWindowHost : public MainWindowHost
{
public:
    QString statusPanelText(int panel) const override { return panel >= 1 && panel <= 5 ? m_panels[panel - 1] : QString(); }
    void setStatusPanelText(int panel, const QString &text) override
    {
        if (panel >= 1 && panel <= 5)
            m_panels[panel - 1] = text;
    }
    QString statusText() const override { return m_status; }
    void setStatusText(const QString &text) override { m_status = text; }
    void replyActivity(const QString &) override { setStatusPanelText(2, GrowActivityBar(statusPanelText(2))); }

private:
    QString m_panels[5];
    QString m_status;
};
