// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/DatagramReceiver.h"

#include <QSocketNotifier>
#include <charconv>

namespace skyvane {

using platform::IpAddress;
using platform::SocketFailureText;

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
    const std::optional<IpAddress> address = IpAddress::Parse(host);
    if (!address) return std::nullopt;
    return TUdpEndpoint{*address, static_cast<quint16>(number)};
}

std::string UdpEndpointText(const TUdpEndpoint& endpoint) {
    const std::string host = endpoint.address.Text();
    return (endpoint.address.IsIpv6() ? "[" + host + "]" : host) + ":" +
           std::to_string(endpoint.port);
}

TDatagramReceiver::TDatagramReceiver(THandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

TDatagramReceiver::~TDatagramReceiver() = default;

void TDatagramReceiver::Listen(const TUdpEndpoint& endpoint) {
    readable_.reset();
    socket_.Close();
    const bool group = endpoint.address.IsMulticast();
    const bool v6 = endpoint.address.IsIpv6();
    const IpAddress bindTo =
        group ? (v6 ? IpAddress::AnyIpv6() : IpAddress::AnyIpv4()) : endpoint.address;
    const std::string where = "UDP " + UdpEndpointText(endpoint);
    // A group's port is shared: WSJT-X's other listeners on this computer keep theirs.
    if (const auto failure = socket_.Bind(bindTo, endpoint.port, group))
        throw EDatagramReceiver(where + " cannot be used: " + SocketFailureText(*failure));
    if (group) {
        if (const auto failure = socket_.JoinGroup(endpoint.address)) {
            socket_.Close();
            throw EDatagramReceiver("The multicast group of " + where +
                                    " cannot be joined: " + SocketFailureText(*failure));
        }
    }
    readable_ = std::make_unique<QSocketNotifier>(socket_.NativeHandle(), QSocketNotifier::Read);
    connect(readable_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
}

quint16 TDatagramReceiver::Port() const {
    return socket_.Port();
}

bool TDatagramReceiver::Send(const QByteArray& datagram, const IpAddress& to, quint16 port) {
    return socket_.Bound() &&
           socket_.Send(datagram.constData(), static_cast<std::size_t>(datagram.size()), to, port);
}

void TDatagramReceiver::Drain() {
    // At most MaxDatagramsPerTurn now; the readiness watch tells of the rest again on
    // the next turn of the event loop, after timers, painting and input. Empty
    // datagrams are taken off the queue and count, but are not handed on.
    for (int i = 0; i < MaxDatagramsPerTurn && socket_.Bound(); ++i) {
        const std::optional<std::size_t> size = socket_.WaitingSize();
        if (!size) return;
        QByteArray datagram(static_cast<qsizetype>(*size), Qt::Uninitialized);
        const platform::DatagramRead read = socket_.Receive(datagram.data(), *size);
        if (!read.received) return;
        datagram.resize(static_cast<qsizetype>(read.bytes));
        if (read.bytes > 0) handler_(datagram, read.sender, read.senderPort);
    }
}

}  // namespace skyvane
