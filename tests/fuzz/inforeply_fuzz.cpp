// The meter's identification and information replies ("*IDN?", "v") and readings as the
// main window shows them.
#include "link/IDVM.h"
#include "shell/MainWindowText.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QString reply = input.text();
    const QString info = InfoTextFromReply(reply);
    // Only lines of the reply reach the box, each ended by CR LF.
    FUZZ_CHECK(info.size() <= 2 * reply.size() + 64 * (reply.count(QLatin1Char('\n')) + reply.count(QLatin1Char('\r')) + 1));
    FUZZ_CHECK(info.isEmpty() || info.endsWith(QLatin1String("\r\n")));
    DisplayReadingText(reply.left(64));
    // The meter driver's identity check of an "*IDN?" reply.
    static const std::unique_ptr<IDVM> meter = CreateDVM(QStringLiteral("6450"));
    meter->CheckIdentity(reply);
    return 0;
}
