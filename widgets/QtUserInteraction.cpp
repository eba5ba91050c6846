#include "widgets/QtUserInteraction.h"
#include "link/AppTitle.h"
#include "link/MeterGate.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::StandardButton standardButton(Msg::Answer answer)
{
    switch (answer) {
    case Msg::OK: return QMessageBox::Ok;
    case Msg::Cancel: return QMessageBox::Cancel;
    case Msg::Abort: return QMessageBox::Abort;
    case Msg::Retry: return QMessageBox::Retry;
    case Msg::Ignore: return QMessageBox::Ignore;
    case Msg::Yes: return QMessageBox::Yes;
    case Msg::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

// "Cal Files (*.cal)|*.cal|All Files|*.*" -> "Cal Files (*.cal);;All Files (*.*)"
QStringList qtFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else
            description = description.left(description.indexOf(QLatin1Char('('))).trimmed()
                          + QStringLiteral(" (") + patterns + QLatin1Char(')');
        result << description;
    }
    return result;
}

std::optional<QString> runFileDialog(const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialDir);
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    const QStringList filters = qtFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(request.filterIndex - 1, filters.first()));
    }
    if (!request.defaultExt.isEmpty())
        dialog.setDefaultSuffix(request.defaultExt);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (mode == QFileDialog::AcceptOpen && (request.flags & FileDialogRequest::FileMustExist))
        dialog.setFileMode(QFileDialog::ExistingFile);
    if (mode == QFileDialog::AcceptSave && !(request.flags & 2))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const MeterGate::Yield setAside; // a modal dialog lets other handlers run
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace

Msg::Answer QtUserInteraction::MsgBox(const QString &prompt, int style, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? AppTitle : title);
    box.setText(prompt);
    switch (style & 0x70) {
    case Msg::Critical: box.setIcon(QMessageBox::Critical); break;
    case Msg::Question: box.setIcon(QMessageBox::Question); break;
    case Msg::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Msg::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    const QList<Msg::Answer> buttons = Msg::buttonsOf(style);
    for (Msg::Answer answer : buttons)
        box.addButton(standardButton(answer));
    box.setDefaultButton(standardButton(Msg::defaultAnswerOf(style)));
    const int pressed = [&box] {
        const MeterGate::Yield setAside; // a modal box lets other handlers run
        return box.exec();
    }();
    for (Msg::Answer answer : buttons)
        if (pressed == standardButton(answer))
            return answer;
    // Closing the box with its title-bar button: the Cancel answer where there is one.
    return buttons.contains(Msg::Cancel) ? Msg::Cancel : buttons.last();
}

std::optional<QString> QtUserInteraction::ShowOpen(const FileDialogRequest &request)
{
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtUserInteraction::ShowSave(const FileDialogRequest &request)
{
    return runFileDialog(request, QFileDialog::AcceptSave);
}

QString QtUserInteraction::InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const MeterGate::Yield setAside; // a modal dialog lets other handlers run
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title.isEmpty() ? AppTitle : title,
                                               prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

void QtUserInteraction::setHourglass(bool on)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
