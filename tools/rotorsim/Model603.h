// SPDX-License-Identifier: GPL-3.0-or-later
// The serial protocol Hamlib's rotor model 603 speaks, as the simulator's second
// protocol: commands end in CR; "C2" asks for azimuth and elevation (answered
// "AZ=aaa  EL=eee" CR LF), "C" for the azimuth alone ("AZ=aaa" CR LF), "Waaa eee" turns
// to a position, "Maaa" turns in azimuth, "S" and "A" stop, "Xn" sets the speed (1..4).
// Empty commands are ignored; anything else is answered "?>" CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skyvane::rotorsim {

// One command of the protocol.
struct TModel603Command {
    enum Kind { Position, Azimuth, Turn, Stop, Speed, Unknown } kind = Unknown;
    int target = 0;  // Turn: degrees 0..450; Speed: 1..4
};

// Finds the commands in a byte stream that may split them over several reads.
class TModel603Scanner {
public:
    // Longer commands than this are unknown; their bytes are not kept.
    static constexpr std::size_t MaxCommandLength = 32;

    // Takes the next received bytes; returns the commands they complete, in order.
    std::vector<TModel603Command> Feed(std::string_view bytes);

private:
    std::string command_;
    bool overflow_ = false;
};

// What the controller sends back for `command` while pointing at `azimuth`; empty for
// the commands it carries out silently.
std::string Model603Reply(const TModel603Command& command, int azimuth);

}  // namespace skyvane::rotorsim
