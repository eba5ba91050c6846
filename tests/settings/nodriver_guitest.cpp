// Every settings dialog with no active driver (a stored model the program has no driver
// for): each handler runs to its end with the empty reply, shows what the dialog shows
// for a failed exchange, and leaves no hourglass.
#include "link/AppTitle.h"
#include "settings/FormDate.h"
#include "settings/FormDisplaySetup.h"
#include "settings/FormMeterInformation.h"
#include "settings/Form_CalHistory.h"
#include "settings/Form_CorrectionFactors.h"
#include "settings/Form_InstalledOptions.h"
#include "settings/Form_Temperature_Compensation.h"
#include "tests/support/TestEnv.h"
#include "widgets/WindowRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QtTest>

class NoDriverTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everyHandlerEndsCleanly()
    {
        TestEnv env;
        env.ui.answerBoxes({Msg::Yes});
        auto &options = appWindows().form<Form_InstalledOptions>();
        options.Command_Set_Click();
        options.Command_ResetOptions_Click();
        options.Command_6450_Click(0);

        auto &temperature = appWindows().form<Form_Temperature_Compensation>();
        temperature.Form_Activate();
        QCOMPARE(temperature.Label_ReadTemp->text(), QStringLiteral("\u00B0C"));
        temperature.Command_AmbientTemp_Click();
        temperature.Command_Coeff_Click();

        auto &history = appWindows().form<Form_CalHistory>();
        history.Form_Activate();
        QCOMPARE(history.List_CalEvents->item(0)->text(), QStringLiteral(" --- "));

        auto &information = appWindows().form<FormMeterInformation>();
        information.Text_Serial->setText("1");
        information.Text_Information->setPlainText("x");
        information.Command_SetInfo_Click();
        information.Command_Information_Click();
        information.Command_SetSerial_Click();

        auto &clock = appWindows().form<FormDate>();
        clock.Form_Activate();
        QCOMPARE(clock.LabelMeterDate->text(), QStringLiteral("Invalid Reply"));
        clock.Command_SetTime_Click();
        clock.Command_SetOtherTime_Click();

        auto &display = appWindows().form<FormDisplaySetup>();
        display.Command_SetDisplay1_Click();
        display.Command_SetDisplay2_Click();

        auto &correction = appWindows().form<Form_CorrectionFactors>();
        correction.Command_ACLIN_Click(0);
        QCOMPARE(correction.Text_ACLIN->text(), QStringLiteral("0"));
        correction.Command_ACLIN_Click(1);

        QStringList prompts;
        for (const auto &box : env.ui.boxes)
            prompts << box.prompt;
        QCOMPARE(prompts, (QStringList{"Error reading model number", "Error Entering Setup Mode",
                                       "Set user options to default (including temperature and pressure probe "
                                       "coefficients)?",
                                       "Error entering setup mode", "Error entering setup mode",
                                       "Error Setting Temperature", "Invalid Coefficient (Max \u00B1300 ppm/\u00B0C)",
                                       "Meter information not read", "Info boxes not read from the meter are not written",
                                       "Error entering setup mode", "Error entering setup mode", "error setting factor"}));
        QCOMPARE(env.ui.hourglassDepth, 0);
        appWindows().destroyAll();
    }
};

QTEST_MAIN(NoDriverTest)
#include "nodriver_guitest.moc"
