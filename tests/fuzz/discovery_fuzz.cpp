// The Ethernet module's discovery reply and the reply-complete rule of its exchange.
#include "link/Ethernet.h"
#include "tests/fuzz/FuzzInput.h"

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
    return 0;
}
