#pragma once
#include <QString>
#include <optional>

// True inside the tests' private network namespace: a broadcast to 255.255.255.255 goes
// out on lo, and no route leads off the machine. Tests that broadcast or send to an
// outside address run only then (scripts/test sets it up), so nothing ever leaves the host.
bool inPrivateNetwork();

// True when the system knows no route to the address, so a datagram to it cannot leave.
bool noRouteTo(const QString &address);

#define REQUIRE_PRIVATE_NETWORK()                                                                                      \
    do {                                                                                                               \
        if (!inPrivateNetwork())                                                                                       \
            QSKIP("needs the private network namespace (loopback only, broadcast routed to lo)");                     \
    } while (false)
