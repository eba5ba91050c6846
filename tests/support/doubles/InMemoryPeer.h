#pragma once
#include <QByteArray>
#include <functional>

// The far end of an in-memory link (a simulated meter or a scripted device). The link
// hands it every byte the program writes; the peer answers by calling `deliver`, which the
// link sets, usually from events it schedules on the virtual clock.
class InMemoryPeer
{
public:
    virtual ~InMemoryPeer() = default;
    virtual void receive(const QByteArray &bytes) = 0;
    std::function<void(const QByteArray &)> deliver;
};
