#pragma once
#include "link/Ethernet.h"
#include "link/SharedState.h"
#include "tests/support/doubles/MemoryUdp.h"

// The program's two sockets on an in-memory network, published in the shared state as the
// main window publishes its own: the command socket aimed at the modules' broadcast port,
// the data socket bound and filling the reply buffer.
struct ProgramSockets
{
    explicit ProgramSockets(MemoryUdpNetwork &network) : command(network), data(network)
    {
        command.RemoteHost = Ethernet::BroadcastAddress;
        command.RemotePort = Ethernet::ModuleCommandPort;
        data.Bind();
        ConnectEthernetReceive(data);
        state().UDPCommand = &command;
        state().UDPData = &data;
    }
    ~ProgramSockets()
    {
        state().UDPCommand = nullptr;
        state().UDPData = nullptr;
    }
    ProgramSockets(const ProgramSockets &) = delete;
    ProgramSockets &operator=(const ProgramSockets &) = delete;

    MemoryUdpSocket command, data;
};
