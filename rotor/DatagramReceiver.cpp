// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/DatagramReceiver.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <charconv>

namespace skyvane {

std::optional<TUdpEndpoint> ParseUdpEndpoint(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    const std::size_t colon = text.rfind(':');
    if (colon == text.npos) return std::nullopt;
    std::string_view host = text.substr(0, colon), port = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != host.npos)
        return std::nullopt;  // an IPv6 address needs its brackets
    unsigned number = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || number < 1 ||
        number > 65535)
        return std::nullopt;
    QHostAddress address;
    if (!address.setAddress(QString::fromLatin1(host.data(), static_cast<qsizetype>(host.size()))))
        return std::nullopt;
    return TUdpEndpoint{address, static_cast<quint16>(number)};
}

std::string UdpEndpointText(const TUdpEndpoint& endpoint) {
    const std::string host = endpoint.address.toString().toStdString();
    const bool v6 = endpoint.address.protocol() == QAbstractSocket::IPv6Protocol;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(endpoint.port);
}

TDatagramReceiver::TDatagramReceiver(THandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), socket_(std::make_unique<QUdpSocket>()) {
    connect(socket_.get(), &QUdpSocket::readyRead, this, [this] { Drain(); });
}

TDatagramReceiver::~TDatagramReceiver() = default;

void TDatagramReceiver::Listen(const TUdpEndpoint& endpoint) {
    socket_->abort();
    const bool group = endpoint.address.isMulticast();
    const bool v6 = endpoint.address.protocol() == QAbstractSocket::IPv6Protocol;
    const QHostAddress bindTo =
        group ? QHostAddress(v6 ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4) : endpoint.address;
    const auto mode = group ? QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint
                            : QAbstractSocket::DefaultForPlatform;
    const std::string where = "UDP " + UdpEndpointText(endpoint);
    if (!socket_->bind(bindTo, endpoint.port, mode))
        throw EDatagramReceiver(where + " cannot be used: " + socket_->errorString().toStdString());
    if (!group) return;
    int joined = 0;
    for (const QNetworkInterface& face : QNetworkInterface::allInterfaces()) {
        const auto flags = face.flags();
        if ((flags & QNetworkInterface::IsUp) && (flags & QNetworkInterface::CanMulticast) &&
            socket_->joinMulticastGroup(endpoint.address, face))
            ++joined;
    }
    if (joined == 0 && !socket_->joinMulticastGroup(endpoint.address)) {
        const std::string why = socket_->errorString().toStdString();
        socket_->abort();
        throw EDatagramReceiver("The multicast group of " + where + " cannot be joined: " + why);
    }
}

quint16 TDatagramReceiver::Port() const {
    return socket_->state() == QAbstractSocket::BoundState ? socket_->localPort() : 0;
}

bool TDatagramReceiver::Send(const QByteArray& datagram, const QHostAddress& to, quint16 port) {
    return socket_->writeDatagram(datagram, to, port) == datagram.size();
}

void TDatagramReceiver::Drain() {
    // At most MaxDatagramsPerTurn now; the socket tells of the rest again on the next
    // turn of the event loop, after timers, painting and input. (Reading them later from
    // a timer of our own is no good: the socket then stops telling of new ones.) The
    // first read is made even when nothing seems to wait: an empty datagram is not
    // reported as pending, yet until it is read the socket tells of nothing more.
    for (int i = 0; i < MaxDatagramsPerTurn && (i == 0 || socket_->hasPendingDatagrams()); ++i) {
        const QNetworkDatagram datagram = socket_->receiveDatagram();
        if (datagram.isValid() && !datagram.data().isEmpty())
            handler_(datagram.data(), datagram.senderAddress(),
                     static_cast<quint16>(datagram.senderPort()));
    }
}

}  // namespace skyvane
