// SPDX-License-Identifier: GPL-3.0-or-later
// A UDP socket that hands each datagram it receives to a handler, on the thread that
// made it, a bounded number per turn of the event loop so that a flood never holds up
// the rest of the program. A multicast group is joined on every interface that can,
// with the port shared so that other programs listening to the group keep getting it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/datagram_socket.h"
#include "platform/ip_address.h"
#include "toolkit/Exception.h"

class QSocketNotifier;

namespace skyvane {

// Raised when the socket cannot be bound; the message names the address and why.
class EDatagramReceiver : public Exception {
public:
    using Exception::Exception;
};

// An address and port to listen at, from text such as "127.0.0.1:2237", "[::1]:2237"
// or "239.255.0.1:2237".
struct TUdpEndpoint {
    platform::IpAddress address;
    quint16 port = 0;
};

// The endpoint `text` names: a literal IPv4 or bracketed IPv6 address, ':', a port 1 to
// 65535. Nothing for other text (host names are not looked up).
std::optional<TUdpEndpoint> ParseUdpEndpoint(std::string_view text);
// The endpoint as text, the way ParseUdpEndpoint reads it.
std::string UdpEndpointText(const TUdpEndpoint& endpoint);

class TDatagramReceiver : public QObject {
public:
    // Datagrams handled in one turn of the event loop; the rest wait for the next.
    static constexpr int MaxDatagramsPerTurn = 32;

    using THandler = std::function<void(const QByteArray& datagram,
                                        const platform::IpAddress& sender, quint16 senderPort)>;

    explicit TDatagramReceiver(THandler handler, QObject* parent = nullptr);
    ~TDatagramReceiver() override;

    // Listens at `endpoint` (port 0: one the system picks); a multicast address is
    // joined as a group. Raises EDatagramReceiver when it cannot.
    void Listen(const TUdpEndpoint& endpoint);
    // The port listened at; 0 while not listening.
    quint16 Port() const;
    // Sends `datagram` from this socket to `to`:`port`; false when it could not go.
    bool Send(const QByteArray& datagram, const platform::IpAddress& to, quint16 port);

private:
    void Drain();

    THandler handler_;
    platform::DatagramSocket socket_;
    std::unique_ptr<QSocketNotifier> readable_;
};

}  // namespace skyvane
