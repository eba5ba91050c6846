// A stand-in for the system's GPIB library (libgpib.so.0) that forwards the device calls
// the setup utility makes to the simulated meters of metersim over a Unix socket (protocol
// at the top of tests/sim/core/SimGpib.h). Put its folder on LD_LIBRARY_PATH and the
// program finds it as it would find the real library. The socket is METERSIM_GPIB_SOCKET,
// else /tmp/metersim-gpib-<uid>.sock; when nothing listens there, every call fails as on a
// system without a board (error 7). Status values are kept per thread, read with
// ThreadIbsta, ThreadIberr, ThreadIbcnt and ThreadIbcntl. Plain C++ and POSIX: no Qt.
#include "GpibTimeouts.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int ERR = 0x8000;
constexpr int TIMO = 0x4000;
constexpr int END = 0x2000;
constexpr int CMPL = 0x0100;
constexpr int EARG = 4;
constexpr int ENOL = 2;
constexpr int EABO = 6;
constexpr int ENEB = 7;
constexpr int REOS = 0x400;

thread_local int threadStatus = 0;
thread_local int threadError = 0;
thread_local long threadCount = 0;

struct Device
{
    int address = 0;
    long timeoutMs = 0;
    int eos = 0;
};

std::mutex lock;
std::map<int, Device> devices;
int nextDescriptor = 16; // below are the boards' own descriptors
int connection = -1;

int finish(int status, int error = 0, long count = 0)
{
    threadStatus = status;
    threadError = error;
    threadCount = count;
    return status;
}

std::string socketPath()
{
    if (const char *path = std::getenv("METERSIM_GPIB_SOCKET"); path && *path)
        return path;
    return "/tmp/metersim-gpib-" + std::to_string(::getuid()) + ".sock";
}

void disconnect()
{
    if (connection >= 0)
        ::close(connection);
    connection = -1;
}

bool connected()
{
    if (connection >= 0)
        return true;
    const std::string path = socketPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    connection = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (connection < 0)
        return false;
    if (::connect(connection, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        disconnect();
        return false;
    }
    return true;
}

bool sendAll(const std::string &bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool receiveExactly(std::string &out, size_t size)
{
    out.clear();
    while (out.size() < size) {
        char buffer[4096];
        const size_t want = std::min(sizeof buffer, size - out.size());
        const ssize_t n = ::recv(connection, buffer, want, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        out.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool receiveLine(std::string &line)
{
    line.clear();
    for (;;) {
        char c = 0;
        const ssize_t n = ::recv(connection, &c, 1, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
}

// One request and its answer line; false when the simulator went away (then: no board).
bool ask(const std::string &request, std::string &answer)
{
    if (!connected())
        return false;
    if (sendAll(request) && receiveLine(answer))
        return true;
    disconnect();
    return false;
}

const Device *device(int ud)
{
    const auto it = devices.find(ud);
    return it == devices.end() ? nullptr : &it->second;
}

} // namespace

extern "C" {

int ThreadIbsta() { return threadStatus; }
int ThreadIberr() { return threadError; }
int ThreadIbcnt() { return static_cast<int>(threadCount); }
long ThreadIbcntl() { return threadCount; }

int ibdev(int board, int pad, int, int tmo, int, int eos)
{
    std::lock_guard<std::mutex> guard(lock);
    if (board != 0 || !connected()) {
        finish(ERR, ENEB);
        return -1;
    }
    if (pad < 0 || pad > 30) {
        finish(ERR, EARG);
        return -1;
    }
    const int ud = nextDescriptor++;
    devices[ud] = Device{pad, gpibTimeoutMs(tmo), eos};
    finish(CMPL);
    return ud;
}

int ibonl(int ud, int online)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!device(ud))
        return finish(ERR, EARG);
    if (online == 0)
        devices.erase(ud);
    return finish(CMPL);
}

int ibln(int, int pad, int, short *listener)
{
    std::lock_guard<std::mutex> guard(lock);
    *listener = 0;
    std::string answer;
    if (!ask("LN " + std::to_string(pad) + "\n", answer))
        return finish(ERR, ENEB);
    *listener = answer == "1" ? 1 : 0;
    return finish(CMPL);
}

int ibclr(int ud)
{
    std::lock_guard<std::mutex> guard(lock);
    const Device *d = device(ud);
    if (!d)
        return finish(ERR, EARG);
    std::string answer;
    if (!ask("CLR " + std::to_string(d->address) + "\n", answer))
        return finish(ERR, ENEB);
    return answer == "OK" ? finish(CMPL) : finish(ERR, ENOL);
}

int ibwrt(int ud, const void *bytes, long count)
{
    std::lock_guard<std::mutex> guard(lock);
    const Device *d = device(ud);
    if (!d || count < 0)
        return finish(ERR, EARG);
    std::string request = "WRT " + std::to_string(d->address) + " " + std::to_string(count) + "\n";
    request.append(static_cast<const char *>(bytes), static_cast<size_t>(count));
    std::string answer;
    if (!ask(request, answer))
        return finish(ERR, ENEB);
    return answer == "OK" ? finish(CMPL, 0, count) : finish(ERR, ENOL);
}

int ibrd(int ud, void *buffer, long count)
{
    std::lock_guard<std::mutex> guard(lock);
    const Device *d = device(ud);
    if (!d || count < 0)
        return finish(ERR, EARG);
    const int eos = (d->eos & REOS) ? (d->eos & 0xFF) : -1;
    std::string answer;
    if (!ask("RD " + std::to_string(d->address) + " " + std::to_string(count) + " " + std::to_string(eos) + " "
                 + std::to_string(d->timeoutMs) + "\n",
             answer))
        return finish(ERR, ENEB);
    if (answer == "NOL")
        return finish(ERR, ENOL);
    const bool timedOut = answer.rfind("TMO ", 0) == 0;
    const size_t size = std::strtoul(answer.c_str() + (timedOut ? 4 : 3), nullptr, 10);
    std::string bytes;
    if (size > static_cast<size_t>(count) || !receiveExactly(bytes, size)) {
        disconnect();
        return finish(ERR, ENEB);
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    const long read = static_cast<long>(bytes.size());
    if (timedOut)
        return finish(ERR | TIMO, EABO, read);
    const bool end = answer.size() >= 2 && answer.compare(answer.size() - 2, 2, " 1") == 0;
    return finish(CMPL | (end ? END : 0), 0, read);
}

} // extern "C"
