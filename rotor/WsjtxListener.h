// SPDX-License-Identifier: GPL-3.0-or-later
// Listens for WSJT-X's UDP messages and hands on each Status it can read; anything
// else that arrives (other message types, other programs' datagrams) is dropped.
#pragma once

#include <functional>

#include "rotor/DatagramReceiver.h"
#include "rotor/WsjtxMessage.h"

namespace skyvane {

// Where WSJT-X sends its messages unless told otherwise.
inline constexpr quint16 DefaultWsjtxPort = 2237;

class TWsjtxListener {
public:
    using TOnStatus = std::function<void(const TWsjtxStatus& status)>;

    explicit TWsjtxListener(TOnStatus onStatus);

    // Listens at `endpoint` (a multicast group is joined); raises EDatagramReceiver.
    void Listen(const TUdpEndpoint& endpoint) { receiver_.Listen(endpoint); }
    // The port listened at; 0 while not listening.
    quint16 Port() const { return receiver_.Port(); }

private:
    TOnStatus onStatus_;
    TDatagramReceiver receiver_;
};

}  // namespace skyvane
