#include "widgets/FormProgress.h"

#include "link/SharedState.h"
#include "widgets/WindowRegistry.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

FormProgress::FormProgress(QWidget *parent)
    : QWidget(parent)
    , LabelMessage(new QLabel(QStringLiteral("Message"), this))
    , ProgressBar1(new QProgressBar(this))
{
    setObjectName(QStringLiteral("FormProgress"));
    setWindowTitle(QStringLiteral("Download Progress"));
    LabelMessage->setObjectName(QStringLiteral("LabelMessage"));
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    // A bar starts at 0 of 100, as the window system's progress bar does.
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LabelMessage);
    layout->addWidget(ProgressBar1);
    resize(320, 90);
}

void FormProgress::Reset()
{
    ProgressBar1->setValue(0);
    LabelMessage->setText(QStringLiteral("Waiting for reply..."));
}

void FormProgress::SetMaxLines(int NewMax)
{
    Reset();
    m_lineMode = true;
    setMaxIfPositive(NewMax);
}

void FormProgress::SetMaxCharacters(int NewMax)
{
    Reset();
    m_lineMode = false;
    setMaxIfPositive(NewMax);
}

void FormProgress::setMaxIfPositive(int newMax)
{
    // The value is 0 after Reset, so it always lies inside the new range.
    if (newMax > 0)
        ProgressBar1->setMaximum(newMax);
}

void FormProgress::ProgressText(const QString &text)
{
    const qsizetype count = m_lineMode ? text.count(QLatin1Char('\r')) : text.size();
    if (ProgressBar1->maximum() > count)
        ProgressBar1->setValue(int(count));
    LabelMessage->setText(QString::number(text.size()) + QLatin1Char(' '));
}

void FormProgress::Increment()
{
    if (ProgressBar1->value() < ProgressBar1->maximum())
        ProgressBar1->setValue(ProgressBar1->value() + 1);
}

void FeedProgressWindow(const QString &text)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    FormProgress &progress = appWindows().form<FormProgress>();
    if (progress.isVisible())
        progress.ProgressText(text);
}
