#include "shell/EthernetLocator.h"
#include "link/platform/UserInteraction.h"

#include <QRegularExpression>

namespace EthernetLocator {

namespace {

const QString SetupTitle = QStringLiteral("Ethernet Setup");
const QString NameTitle = QStringLiteral("Set Name");

// The names by which the automatic search recognises the meter's module: exactly the
// 8 characters of the module's owner and device name fields.
const QString OwnerName = QStringLiteral("Velkoran");
const QString DeviceName = QStringLiteral("6450 DMM");

// The highest last number an address is given: 255 is the subnet's broadcast address.
constexpr int HighestHostNumber = 254;

Step step(const QString &command, ReplyTest test, const QString &failure, int icon, const QString &title)
{
    return {command, test, {failure, icon, title}};
}

Step login(ReplyTest test, int icon, const QString &title)
{
    return step(QStringLiteral("L"), test, QStringLiteral("Login Failed"), icon, title);
}

Step reboot() { return step(QStringLiteral("E"), ReplyTest::Ignored, {}, 0, {}); }

QList<Step> nameSteps()
{
    return {step(QStringLiteral("SON") + OwnerName, ReplyTest::BeginsWithA, QStringLiteral("Set Owner Name Failed"),
                 Msg::Exclamation, NameTitle),
            step(QStringLiteral("SDN") + DeviceName, ReplyTest::BeginsWithA, QStringLiteral("Set Device Name Failed"),
                 Msg::Exclamation, NameTitle)};
}

} // namespace

QString DhcpText(const QString &Flag2)
{
    if (Flag2 == QLatin1String("M"))
        return QStringLiteral("Off");
    if (Flag2 == QLatin1String("I"))
        return QStringLiteral("OK");
    return QStringLiteral("Failed");
}

QStringList ModuleRow(const EthernetDevice &module)
{
    return {module.IPAddress.text(), module.MACAddress.text(), QString::number(module.Port),
            DhcpText(module.Flag2.text()), module.Owner.text(), module.DeviceName.text()};
}

bool ReplyPasses(ReplyTest test, const QString &reply)
{
    switch (test) {
    case ReplyTest::BeginsWithA:
        return reply.startsWith(QLatin1Char('A'));
    case ReplyTest::ExactlyA:
        return reply == QLatin1String("A");
    case ReplyTest::Ignored:
        return true;
    }
    return false;
}

Sequence Reboot()
{
    Sequence s;
    s.checksSelection = true;
    s.steps = {login(ReplyTest::BeginsWithA, Msg::Exclamation, SetupTitle), reboot()};
    return s;
}

Sequence SetNames()
{
    Sequence s;
    s.steps = QList<Step>{login(ReplyTest::ExactlyA, Msg::Exclamation, NameTitle)} + nameSteps();
    s.doneMessage = Message{QStringLiteral("Device Name Set OK"), Msg::Information, SetupTitle};
    return s;
}

Sequence Initialise()
{
    Sequence s;
    s.hourglass = true;
    s.steps = {login(ReplyTest::BeginsWithA, Msg::Exclamation, SetupTitle),
               step(QStringLiteral("SBR3"), ReplyTest::BeginsWithA, QStringLiteral("Set Baud Rate Failed"),
                    Msg::Exclamation, SetupTitle),
               step(QStringLiteral("SPR0"), ReplyTest::BeginsWithA, QStringLiteral("Set Parity Failed"),
                    Msg::Exclamation, SetupTitle),
               step(QStringLiteral("SBB1"), ReplyTest::BeginsWithA, QStringLiteral("Set Data Width Failed"),
                    Msg::Exclamation, SetupTitle),
               step(QStringLiteral("SFC0"), ReplyTest::BeginsWithA, QStringLiteral("Set Flow Control Failed"),
                    Msg::Exclamation, SetupTitle),
               step(QStringLiteral("SSE1"), ReplyTest::BeginsWithA, QStringLiteral("Enable Soft Entry Failed"),
                    Msg::Exclamation, SetupTitle)};
    s.steps += nameSteps();
    s.thenReboot = true;
    s.waitMs = 5000;
    s.finalMessage = Message{QStringLiteral("Meter-Side Serial Port Setup OK"), Msg::Information, SetupTitle};
    return s;
}

Sequence SetIP(const QString &address)
{
    Sequence s;
    s.checksSelection = true;
    s.hourglass = true;
    s.steps = {login(ReplyTest::ExactlyA, Msg::Critical, SetupTitle),
               step(QStringLiteral("SIP") + address, ReplyTest::ExactlyA, QStringLiteral("Set IP Failed"), Msg::Critical,
                    SetupTitle),
               reboot()};
    s.waitMs = 4000;
    return s;
}

Sequence SetDhcp(bool on)
{
    Sequence s;
    s.checksSelection = true;
    s.hourglass = true;
    s.steps = {login(ReplyTest::ExactlyA, Msg::Critical, SetupTitle),
               step(on ? QStringLiteral("SDH1") : QStringLiteral("SDH0"), ReplyTest::ExactlyA,
                    QStringLiteral("Set DHCP Failed"), Msg::Critical, SetupTitle),
               reboot()};
    s.doneMessage = Message{QStringLiteral("DHCP Configuration Set\rDevice Rebooting"), Msg::Information, SetupTitle};
    s.waitMs = 3000;
    return s;
}

Sequence FlashLeds()
{
    Sequence s;
    s.steps = {step(QStringLiteral("B"), ReplyTest::Ignored, {}, 0, {})};
    return s;
}

Message SelectTargetDevice() { return {QStringLiteral("Select Target Device"), Msg::Information, SetupTitle}; }

Message NoDevicesFound()
{
    return {QStringLiteral("No Devices Found"), Msg::Information, QStringLiteral("Locate Ethernet Devices")};
}

Message GenerateFailed() { return {QStringLiteral("Error Generating IP Address"), Msg::OKOnly, QString()}; }

void Show(const Message &message, UserInteraction &ui) { ui.MsgBox(message.text, message.style, message.title); }

bool RunSteps(const QList<Step> &steps, const std::function<QString(const QString &)> &send, UserInteraction &ui,
              const std::function<bool()> &carryOn)
{
    const auto stopped = [&carryOn] { return carryOn && !carryOn(); };
    for (const Step &step : steps) {
        if (stopped())
            return false;
        const QString reply = send(step.command);
        if (stopped())
            return false;
        if (!ReplyPasses(step.test, reply)) {
            Show(step.failure, ui);
            return false;
        }
    }
    return true;
}

std::optional<QString> GenerateIP(const QString &ownAddress, double r)
{
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.)(\\d{1,3})$"));
    const QRegularExpressionMatch m = dotted.match(ownAddress.trimmed());
    if (!m.hasMatch() || r < 0 || r >= 1)
        return std::nullopt;
    const QStringList numbers = m.captured(1).split(QLatin1Char('.'), Qt::SkipEmptyParts) << m.captured(2);
    for (const QString &number : numbers)
        if (number.toInt() > 255)
            return std::nullopt;
    int last = m.captured(2).toInt() + 1 + int(r * 10);
    if (last > HighestHostNumber)
        last -= HighestHostNumber;
    return m.captured(1) + QString::number(last);
}

} // namespace EthernetLocator
