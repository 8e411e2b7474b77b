// SPDX-License-Identifier: GPL-3.0-or-later
// The sockets for the loggers' UDP rotor packets: N1MM-style commands with the heading
// sent back while it changes, and PST-style commands with their "AZ?" answered. Each
// passes its turns to a rotor access (a named steering source) and ignores whatever
// it cannot read.
#pragma once

#include <QElapsedTimer>
#include <optional>
#include <string>

#include "rotor/DatagramReceiver.h"
#include "rotor/LoggerRotorPackets.h"
#include "rotor/RotorAccess.h"

namespace skyvane {

class TN1mmRotorListener {
public:
    // The heading goes back when it moved this far since it was last sent ...
    static constexpr int ReportStepDegrees = 2;
    // ... or when this long passed.
    static constexpr int ReportEveryMs = 15000;

    // Steers `rotor` (which outlives this) for packets naming the rotor `name`; headings
    // go back to the last sender's address at `replyPort`.
    TN1mmRotorListener(TRotorAccess& rotor, std::string name,
                       quint16 replyPort = N1mmHeadingReplyPort);

    // Listens at `endpoint`; raises EDatagramReceiver.
    void Listen(const TUdpEndpoint& endpoint) { receiver_.Listen(endpoint); }
    // The port listened at; 0 while not listening.
    quint16 Port() const { return receiver_.Port(); }
    // Told at each new reading of the rotor: once a logger has sent a command, the
    // live heading goes back to it when it moved or was last sent long ago. (No timer
    // of its own: nothing wakes between readings.)
    void HeadingRead();

private:
    void Received(const QByteArray& datagram, const platform::IpAddress& sender);

    TRotorAccess& rotor_;
    std::string name_;
    quint16 replyPort_;
    TDatagramReceiver receiver_;
    std::optional<platform::IpAddress> logger_;  // where headings go back to
    std::optional<int> reported_;
    QElapsedTimer sinceReport_;
};

class TPstRotorListener {
public:
    // Steers `rotor` (which outlives this); "AZ?" is answered to the sender's address at
    // the port listened at + 1.
    explicit TPstRotorListener(TRotorAccess& rotor);

    // Listens at `endpoint`; raises EDatagramReceiver.
    void Listen(const TUdpEndpoint& endpoint) { receiver_.Listen(endpoint); }
    // The port listened at; 0 while not listening.
    quint16 Port() const { return receiver_.Port(); }

private:
    void Received(const QByteArray& datagram, const platform::IpAddress& sender);

    TRotorAccess& rotor_;
    TDatagramReceiver receiver_;
};

}  // namespace skyvane
