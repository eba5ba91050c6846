#include "tests/support/PrivateNetwork.h"

#include <QProcess>
#include <QStringList>

namespace {

// The output of "ip route get <address>", or nothing when the address has no route.
std::optional<QString> routeTo(const QString &address)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), {QStringLiteral("route"), QStringLiteral("get"), address});
    if (!ip.waitForFinished(5000) || ip.exitStatus() != QProcess::NormalExit || ip.exitCode() != 0)
        return std::nullopt;
    return QString::fromLocal8Bit(ip.readAllStandardOutput());
}

} // namespace

bool noRouteTo(const QString &address) { return !routeTo(address).has_value(); }

bool inPrivateNetwork()
{
    static const bool isPrivate = [] {
        const std::optional<QString> broadcast = routeTo(QStringLiteral("255.255.255.255"));
        return broadcast && broadcast->contains(QStringLiteral(" dev lo ")) && noRouteTo(QStringLiteral("10.254.0.1"));
    }();
    return isPrivate;
}
