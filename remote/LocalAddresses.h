#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

namespace mirello {

// An IPv4 address of this computer on a network that is up, and its network's name.
struct LocalAddress
{
    QHostAddress address;
    QString network;
};

// Loopback last: it reaches only this computer.
QList<LocalAddress> localAddresses();
// The address the system would send from to the wider network (the default route),
// else the first of localAddresses().
QHostAddress defaultLocalAddress();

} // namespace mirello
