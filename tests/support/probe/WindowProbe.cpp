// A Qt generic plugin that lets the end-to-end tests watch and drive the real program
// without giving the program any way in of its own: a test starts the program with
// QT_QPA_GENERIC_PLUGINS=<key>:<file> and QT_PLUGIN_PATH pointing here.
// - windowprobe: once the main window shows meter information, the probe writes the
//   information box and the connection box into the file (separated by a line "--") and
//   closes the main window, which ends the program as the user's Exit would.
// - optionsprobe: once the start-up search is over, it clicks through Options > Options,
//   GPIB, Find DMM and answers Yes to the first instrument offered; it writes every message
//   box's text and then the address in Combo_GPIB1 into the file (separated by lines "--"),
//   cancels the dialog and closes the main window.
// - serviceprobe: once the main window shows meter information, the probe writes the
//   Service menu's items, opens Setup Tasks from it, ticks the clock, password ("6182"),
//   clear and default-specifications tasks, runs them, writes the summary box's title and
//   text, answers it and closes the main window.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

class WindowProbe : public QObject
{
public:
    explicit WindowProbe(const QString &outputFile) : m_outputFile(outputFile)
    {
        connect(&m_timer, &QTimer::timeout, this, &WindowProbe::look);
        m_timer.start(100);
    }

private:
    void look()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->objectName() != QLatin1String("FormMain") || !window->isVisible())
                continue;
            const auto *info = window->findChild<QPlainTextEdit *>(QStringLiteral("Text_Info"));
            const auto *connection = window->findChild<QPlainTextEdit *>(QStringLiteral("Text_ConnectionStatus"));
            if (!info || !connection || info->toPlainText().isEmpty())
                return;
            m_timer.stop();
            QFile out(m_outputFile);
            if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                out.write((info->toPlainText() + QStringLiteral("\n--\n") + connection->toPlainText()).toUtf8());
            out.close();
            window->close();
            return;
        }
    }

    QString m_outputFile;
    QTimer m_timer;
};

QWidget *visibleWindow(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->objectName() == name && window->isVisible())
            return window;
    return nullptr;
}

class OptionsProbe : public QObject
{
public:
    explicit OptionsProbe(const QString &outputFile) : m_outputFile(outputFile)
    {
        connect(&m_timer, &QTimer::timeout, this, &OptionsProbe::look);
        m_timer.start(100);
    }

private:
    // Each step runs later from the event loop, so the probe keeps looking while the
    // dialog or a message box waits for its user.
    static void later(const std::function<void()> &step) { QTimer::singleShot(0, step); }

    void look()
    {
        QWidget *main = visibleWindow(QStringLiteral("FormMain"));
        if (!main)
            return;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(window);
            if (!box || !box->isVisible())
                continue;
            m_boxes << box->text();
            QAbstractButton *answer = box->button(QMessageBox::Yes);
            if (!answer)
                answer = box->buttons().value(0);
            later([answer = QPointer<QAbstractButton>(answer)] {
                if (answer)
                    answer->click();
            });
            return;
        }
        QWidget *options = visibleWindow(QStringLiteral("FormOptions"));
        switch (m_step) {
        case 0: // the start-up search runs before the event loop does; wait for the loop
            if (QThread::currentThread()->loopLevel() != 1)
                return;
            m_step = 1;
            later([main] {
                if (auto *item = main->findChild<QAction *>(QStringLiteral("MenuOptionsOptions")))
                    item->trigger();
            });
            return;
        case 1:
            if (!options)
                return;
            m_step = 2;
            options->findChild<QAbstractButton *>(QStringLiteral("Option_DVM1_Interface(1)"))->click();
            later([button = QPointer<QAbstractButton>(
                       options->findChild<QAbstractButton *>(QStringLiteral("Command_DVM1_Locate(0)")))] {
                if (button)
                    button->click();
            });
            return;
        case 2: // the search ran: its boxes are answered above
            if (!options || m_boxes.isEmpty() || QApplication::activeModalWidget() != options)
                return;
            m_step = 3;
            m_timer.stop();
            {
                QFile out(m_outputFile);
                if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    out.write((m_boxes.join(QStringLiteral("\n--\n")) + QStringLiteral("\n--\n")
                               + options->findChild<QComboBox *>(QStringLiteral("Combo_GPIB1"))->currentText())
                                  .toUtf8());
            }
            options->findChild<QAbstractButton *>(QStringLiteral("Command_Cancel"))->click();
            later([main] { main->close(); });
            return;
        default:
            return;
        }
    }

    QString m_outputFile;
    QTimer m_timer;
    int m_step = 0;
    QStringList m_boxes;
};

class ServiceProbe : public QObject
{
public:
    explicit ServiceProbe(const QString &outputFile) : m_outputFile(outputFile)
    {
        connect(&m_timer, &QTimer::timeout, this, &ServiceProbe::look);
        m_timer.start(100);
    }

private:
    enum class Step { WaitForMeter, WaitForDialog, WaitForSummary, Done };

    void write(const QString &line)
    {
        QFile out(m_outputFile);
        if (out.open(QIODevice::WriteOnly | QIODevice::Append))
            out.write((line + QLatin1Char('\n')).toUtf8());
    }

    // Every step acts from a fresh event, so the probe's own timer is free while the
    // program's modal dialogs and boxes run their loops.
    void look()
    {
        QWidget *main = visibleWindow(QStringLiteral("FormMain"));
        if (!main)
            return;
        switch (m_step) {
        case Step::WaitForMeter: {
            const auto *info = main->findChild<QPlainTextEdit *>(QStringLiteral("Text_Info"));
            if (!info || info->toPlainText().isEmpty())
                return;
            auto *menu = main->findChild<QMenu *>(QStringLiteral("MenuService"));
            auto *item = main->findChild<QAction *>(QStringLiteral("MenuServiceSetupTasks"));
            if (!menu || !item || !menu->menuAction()->isVisible()) {
                write(QStringLiteral("no service menu"));
                finish(main);
                return;
            }
            QStringList items;
            for (QAction *action : menu->actions())
                items << (action->isSeparator() ? QStringLiteral("-") : action->text());
            write(QStringLiteral("menu: ") + items.join(QLatin1Char('|')));
            m_step = Step::WaitForDialog;
            QTimer::singleShot(0, item, &QAction::trigger);
            return;
        }
        case Step::WaitForDialog: {
            QWidget *dialog = visibleWindow(QStringLiteral("FormSetupTasks"));
            if (!dialog)
                return;
            for (const char *name : {"Check_SetDate", "Check_SetCalPassword", "Check_ClearCalFactors", "Check_LoadDefaultSpecs"})
                if (auto *box = dialog->findChild<QCheckBox *>(QString::fromLatin1(name)))
                    box->setChecked(true);
            if (auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("Text_CalPassword")))
                password->setText(QStringLiteral("6182"));
            m_step = Step::WaitForSummary;
            if (auto *run = dialog->findChild<QPushButton *>(QStringLiteral("Command_Run")))
                QTimer::singleShot(0, run, &QPushButton::click);
            return;
        }
        case Step::WaitForSummary:
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(window);
                if (!box || !box->isVisible())
                    continue;
                QString text = box->text();
                text.remove(QLatin1Char('\r'));
                write(QStringLiteral("box: ") + box->windowTitle() + QLatin1Char('|') + text.trimmed().replace(QLatin1Char('\n'), QLatin1Char('/')));
                m_step = Step::Done;
                QTimer::singleShot(0, box, [box] {
                    if (QPushButton *ok = box->defaultButton())
                        ok->click();
                    else
                        box->done(QMessageBox::Ok);
                });
                QTimer::singleShot(500, main, [main] { main->close(); });
                return;
            }
            return;
        case Step::Done:
            return;
        }
    }

    void finish(QWidget *main)
    {
        m_step = Step::Done;
        m_timer.stop();
        main->close();
    }

    QString m_outputFile;
    QTimer m_timer;
    Step m_step = Step::WaitForMeter;
};

} // namespace

class WindowProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowprobe.json")
public:
    QObject *create(const QString &key, const QString &specification) override
    {
        if (key.compare(QLatin1String("windowprobe"), Qt::CaseInsensitive) == 0)
            return new WindowProbe(specification);
        if (key.compare(QLatin1String("optionsprobe"), Qt::CaseInsensitive) == 0)
            return new OptionsProbe(specification);
        if (key.compare(QLatin1String("serviceprobe"), Qt::CaseInsensitive) == 0)
            return new ServiceProbe(specification);
        return nullptr;
    }
};

#include "WindowProbe.moc"
