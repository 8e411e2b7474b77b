// SPDX-License-Identifier: GPL-3.0-or-later
// A client's byte stream to the rotor server's conversation, cut into reads at random
// points: every answer is whole, turns stay within 0..360, nothing follows "q".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rotor/RotctlSession.h"
#include "rotor/RotorAccess.h"

using namespace skyvane;

namespace {

class CheckingRotor : public TRotorAccess {
public:
    std::optional<int> LiveHeading() const override {
        return live ? std::optional<int>(217) : std::nullopt;
    }
    bool RequestTurn(int heading) override {
        if (heading < 0 || heading > 360) std::abort();
        return live;
    }
    bool RequestStop() override { return live; }
    bool live = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the read length (1..64) and whether a live reading exists.
    const std::size_t step = data[0] % 64 + 1;
    CheckingRotor rotor;
    rotor.live = (data[0] & 0x80) != 0;
    TRotctlSession session(rotor);
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (std::size_t at = 0; at < stream.size(); at += step) {
        const bool finishedBefore = session.Finished();
        const std::string answer = session.Receive(stream.substr(at, step));
        if (!answer.empty() && answer.back() != '\n') std::abort();
        if (finishedBefore && !answer.empty()) std::abort();
        // No answer is longer than dump_state's, a few hundred bytes per line received.
        if (answer.size() > 512 * (stream.substr(at, step).size() + 1)) std::abort();
    }
    return 0;
}
