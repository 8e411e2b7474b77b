// SPDX-License-Identifier: GPL-3.0-or-later
// One client's conversation with the rotor server: received bytes in, answer bytes out,
// carried out against the rotor through TRotorAccess. No sockets here.
#pragma once

#include <string>
#include <string_view>

#include "rotor/RotctlProtocol.h"

namespace skyvane {

class TRotorAccess;

// The text get_info answers with.
inline constexpr std::string_view RotorServerInfo = "Skyvane";

class TRotctlSession {
public:
    explicit TRotctlSession(TRotorAccess& rotor) : rotor_(rotor) {}

    // Takes the next bytes from the client; returns what to send back. After "q" the
    // rest is ignored.
    std::string Receive(std::string_view bytes);
    // True once the client has asked to end the conversation.
    bool Finished() const { return finished_; }

private:
    std::string Answer(const TRotctlRequest& request);

    TRotorAccess& rotor_;
    TRotctlLineSplitter lines_;
    bool finished_ = false;
};

}  // namespace skyvane
