#pragma once
#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;

// "Download Progress": how much of a long meter reply has arrived, counted in lines (CRs)
// or in characters against the expected maximum. Fed by ShowActivity while visible.
class FormProgress : public QWidget
{
    Q_OBJECT
public:
    explicit FormProgress(QWidget *parent = nullptr);

    QLabel *LabelMessage;
    QProgressBar *ProgressBar1;

    // Bar to 0 and "Waiting for reply...".
    void Reset();
    // Reset and count lines, or characters (nothing calls SetMaxCharacters); a maximum of 0
    // or less keeps the previous one.
    void SetMaxLines(int NewMax);
    void SetMaxCharacters(int NewMax);
    // The reply received so far: moves the bar while the count is below the maximum and
    // shows the number of characters received.
    void ProgressText(const QString &text);
    // One step more, up to the maximum (nothing calls it).
    void Increment();

    // Read by the tests only.
    bool lineMode() const { return m_lineMode; }

private:
    void setMaxIfPositive(int newMax);

    bool m_lineMode = true;
};

// The progress hook of the reply loops: hands the reply received so far to the progress
// window when it is visible. The window is created hidden the first time it is addressed;
// without a widget application (command-line tools, guiless tests) there is no window to feed.
void FeedProgressWindow(const QString &text);
