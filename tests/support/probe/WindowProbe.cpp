// A Qt generic plugin that lets the end-to-end test watch the real program without giving
// the program any way in of its own: the test starts the program with
// QT_QPA_GENERIC_PLUGINS=windowprobe:<file> and QT_PLUGIN_PATH pointing here. Once the main
// window shows meter information, the probe writes the information box and the connection
// box into the file (separated by a line "--") and closes the main window, which ends the
// program as the user's Exit would.
#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

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

} // namespace

class WindowProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowprobe.json")
public:
    QObject *create(const QString &key, const QString &specification) override
    {
        if (key.compare(QLatin1String("windowprobe"), Qt::CaseInsensitive) != 0)
            return nullptr;
        return new WindowProbe(specification);
    }
};

#include "WindowProbe.moc"
