#include "shell/Locators.h"
#include "shell/FormAutoLocate.h"

#include <QPlainTextEdit>
#include <QScrollBar>

namespace Locators {

QString AdvancedCaption(bool advanced)
{
    return advanced ? QStringLiteral("Advanced <<") : QStringLiteral("Advanced >>");
}

bool OpensAdvancedView(const QString &caption) { return caption.endsWith(QLatin1Char('>')); }

TerminalCommand TypedCommand(const QString &typed)
{
    return {typed + QLatin1Char('\r'), typed == QLatin1String("pa") ? 1 : 0};
}

void AppendToTerminal(QString &terminal, QPlainTextEdit &view, const QString &text)
{
    terminal += text;
    view.setPlainText(AutoLocate::DisplayText(terminal));
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
}

} // namespace Locators
