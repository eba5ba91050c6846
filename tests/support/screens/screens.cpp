// Renders every window of the program into PNG files, offscreen, so the look can be
// reviewed without a display. Run through scripts/screens.
// Usage: screens <folder>
//
// A new window gets one entry in `shots` below: a file name and a function that loads the
// window through the registry, fills it as a user would see it and returns it.
#include "link/SharedState.h"
#include "link/platform/SerialPortControl.h"
#include "shell/FormMain.h"
#include "shell/Look.h"
#include "shell/StartForm.h"
#include "tests/support/ScriptedDVM.h"
#include "tests/support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>
#include <functional>

namespace {

// A meter on COM1 answering "v" as a 6450 does.
void installSampleMeter()
{
    auto dvm = std::make_unique<ScriptedDVM>();
    dvm->description = QStringLiteral("Velkorande 6450\r\nRS232 COM1");
    dvm->reply = [](const QString &command) {
        if (command == QLatin1String("v"))
            return QStringLiteral("Model 6450\rVersion 2.07\rSerial 6450-00123\rUnc 1.0 01/02/26\r"
                                  "Lab 3 bench 2\r\r\rSpec 3.1 14/03/26\rTab 2.2 05/05/25\r*0\r");
        return QStringLiteral("*0\r");
    };
    state().DVM1 = std::move(dvm);
}

QWidget *mainWindow(TestEnv &env)
{
    installSampleMeter();
    FormMain &main = state().windows.form<FormMain>();
    auto port = std::make_unique<MemorySerialPort>(env.clock);
    port->setPortOpen(true);
    main.setCommControl(std::move(port));
    main.Command_GetInfo_Click();
    main.UpdateStatusBar();
    main.setStatusPanelText(2, QStringLiteral("||||||||"));
    return &main;
}

QWidget *splashWindow(TestEnv &) { return &state().windows.form<StartForm>(); }

QWidget *aboutWindow(TestEnv &)
{
    StartForm &about = state().windows.form<StartForm>();
    about.OKBut->setVisible(true);
    return &about;
}

struct Shot
{
    const char *file;
    std::function<QWidget *(TestEnv &)> load;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setFont(Look::defaultFont());
    if (argc != 2) {
        std::fprintf(stderr, "usage: screens <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }

    const Shot shots[] = {
        {"FormMain.png", mainWindow},
        {"StartForm-splash.png", splashWindow},
        {"StartForm-about.png", aboutWindow},
    };
    int failures = 0;
    for (const Shot &shot : shots) {
        TestEnv env; // a fresh shared state per window
        QWidget *window = shot.load(env);
        window->show();
        QApplication::processEvents();
        const QString path = folder.filePath(QString::fromLatin1(shot.file));
        if (window->grab().save(path, "PNG")) {
            std::printf("%s\n", qPrintable(path));
        } else {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
