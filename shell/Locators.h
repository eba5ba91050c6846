#pragma once
#include <QString>

class QPlainTextEdit;

// What the USB and Ethernet locators have in common: the Advanced button that shows or
// hides their lower band, and the typed commands and output of their test terminal.
namespace Locators {

// The caption of the Advanced button for the view it switches from.
QString AdvancedCaption(bool advanced);
// Whether a click on the Advanced button with this caption opens the advanced view: its
// caption ends in ">".
bool OpensAdvancedView(const QString &caption);

// A command of the test terminal: the text passed to the exchange (which adds its own CR,
// so each command reaches the meter with two) and its end condition.
struct TerminalCommand
{
    QString text;
    int endCondition = 0;
};
// A typed command: up to the status token when it is exactly "pa" (which answers with
// many lines), else one line.
TerminalCommand TypedCommand(const QString &typed);

// Adds text to the terminal's output as received (terminal) and shows the whole output in
// view, scrolled to its end.
void AppendToTerminal(QString &terminal, QPlainTextEdit &view, const QString &text);

} // namespace Locators
