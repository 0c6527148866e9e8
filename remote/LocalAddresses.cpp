#include "LocalAddresses.h"

#include <QNetworkInterface>
#include <QUdpSocket>

using namespace Qt::StringLiterals;

namespace mirello {

QList<LocalAddress> localAddresses()
{
    QList<LocalAddress> found, loopback;
    for (const QNetworkInterface& network : QNetworkInterface::allInterfaces()) {
        if (!network.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        for (const QNetworkAddressEntry& entry : network.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            (entry.ip().isLoopback() ? loopback : found)
                .append({entry.ip(), network.humanReadableName()});
        }
    }
    return found + loopback;
}

// Connecting a UDP socket sends nothing: the system only picks the route and with it
// the local address. The documentation range stands for any address outside.
QHostAddress defaultLocalAddress()
{
    QUdpSocket probe;
    probe.connectToHost(QHostAddress(u"192.0.2.1"_s), 9);
    const QHostAddress routed = probe.localAddress();
    if (probe.state() == QAbstractSocket::ConnectedState && !routed.isNull() &&
        !routed.isLoopback())
        return QHostAddress(routed.toIPv4Address());
    const QList<LocalAddress> all = localAddresses();
    return all.isEmpty() ? QHostAddress(QHostAddress::LocalHost) : all.first().address;
}

} // namespace mirello
