// The Ethernet modules' discovery and configuration replies, parsed alone and gathered by a
// discovery and a configuration exchange on the in-memory network (each NUL-separated part
// of the input one datagram), and the reply-complete rule of the transport.
#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/TestEnv.h"
#include "tests/support/doubles/MemoryUdp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 endCondition = input.takeByte() % 3;
    const QString datagram = input.text();
    EthernetDevice device;
    const bool hasMac = ParseDiscoveryReply(datagram, QStringLiteral("127.0.0.1"), device);
    FUZZ_CHECK(!hasMac || datagram.contains(QLatin1Char('/')));
    FUZZ_CHECK(device.RawReply.text().startsWith(datagram.left(80)));
    EthernetReplyComplete(datagram, endCondition);

    TestEnv env;
    const MeterGate::Operation meter = meterGate().begin(); // the input is one exchange
    MemoryUdpNetwork net(env.clock);
    MemoryUdpSocket command(net);
    state().UDPCommand = &command;
    QStringList replies = datagram.split(QChar(0));
    // The modules answer the discovery "X" only, not the configuration exchange's broadcasts below.
    net.listen(QStringLiteral("127.0.1.10"), Ethernet::ModuleCommandPort, [&](const MemoryUdpNetwork::Datagram &d) {
        if (d.bytes != "X")
            return;
        for (qsizetype i = 0; i < replies.size(); ++i)
            net.send({"127.0.1." + QString::number(10 + i % 200), Ethernet::ModuleCommandPort, d.fromAddress, d.fromPort,
                      replies[i].toLatin1()},
                     int(i % 7) * 150);
    });
    const bool found = DiscoverEthernetDevices();
    // Twenty 50-ms steps at most, and every module found has its entry.
    FUZZ_CHECK(env.clock.elapsedMs() <= 20 * 50);
    FUZZ_CHECK(!found || state().EthernetDevices.size() >= 2);
    FUZZ_CHECK(state().EthernetDevices.size() <= Ethernet::MaxDatagramsPerRead + 2);

    // The configuration exchange with the module selected by its MAC address, the input's
    // parts answering "W<mac>" and the command in turn: only an answer beginning with "A"
    // is returned, and each of the two waits ends within its twenty 50-ms steps.
    state().SelectedMAC = QStringLiteral("00-50-C2-64-50-01");
    qsizetype next = 0;
    net.listen(QStringLiteral("127.0.1.11"), Ethernet::ModuleCommandPort, [&](const MemoryUdpNetwork::Datagram &d) {
        if (next < replies.size())
            net.send({QStringLiteral("127.0.1.11"), Ethernet::ModuleCommandPort, d.fromAddress, d.fromPort,
                      replies[next++].toLatin1()});
    });
    const qint64 before = env.clock.elapsedMs();
    const QString reply = SendConfigCommand(QStringLiteral("SONLab"));
    FUZZ_CHECK(reply.isEmpty() || reply.startsWith(QLatin1Char('A')));
    FUZZ_CHECK(env.clock.elapsedMs() - before <= 2 * 20 * 50 + 100);
    state().UDPCommand = nullptr;
    return 0;
}
