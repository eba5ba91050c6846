#pragma once
#include <QString>

// What the link needs of the main window: the status-bar panels (1 port state,
// 2 activity bar) and the hidden result text `Text_Status`. The main window implements
// it; without one (tests, start-up) a plain in-memory host stands in.
class MainWindowHost
{
public:
    virtual ~MainWindowHost() = default;
    virtual QString statusPanelText(int panel) const = 0;
    virtual void setStatusPanelText(int panel, const QString &text) = 0;
    virtual QString statusText() const = 0;
    virtual void setStatusText(const QString &text) = 0;
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

private:
    QString m_panels[5];
    QString m_status;
};
