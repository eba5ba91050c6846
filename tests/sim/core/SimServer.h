#pragma once
#include "tests/sim/core/SimMeter.h"
#include "tests/sim/core/SimModule.h"

#include <QString>
#include <QThread>

// Serves simulated meters and modules in real time on their own thread: a meter on a
// pseudo-terminal (the program opens its path as a serial port), a module on UDP (its
// command protocol on the command port, limited broadcasts to 255.255.255.255 included,
// and the paired meter's commands on its data port). Because the endpoints run on their
// own thread, a program blocking its own thread while it waits still gets its replies.
//
//   metersim::SimMeter meter;
//   metersim::SimModule module({/* address 127.0.0.1, a free data port, a MAC */});
//   metersim::SimServer server;
//   const QString tty = server.servePty(meter);       // e.g. "/dev/pts/7"
//   server.serveModule(module, meter);
//
// Datagrams from outside 127.0.0.0/8 are ignored, so nothing is ever sent off the machine.
// The meter and module objects must outlive the server.
namespace metersim {

class SimServer
{
public:
    SimServer();
    ~SimServer();
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // A new pseudo-terminal in raw mode served by the meter; its device path, or the empty
    // text (and the reason in *error) when none could be made.
    QString servePty(SimMeter &meter, QString *error = nullptr);
    // Binds the module's sockets: the limited broadcast address and the module's own
    // address on the command port (both shared, so several modules can listen), and its
    // address on the data port. False (and the reason in *error) when a bind fails.
    bool serveModule(SimModule &module, SimMeter &meter, QString *error = nullptr);

private:
    struct Worker;
    QThread m_thread;
    Worker *m_worker = nullptr;
};

} // namespace metersim
