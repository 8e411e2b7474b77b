// SPDX-License-Identifier: GPL-3.0-or-later
// The reply handling of the poll cycle: the received stream is cut into chunks at
// random points, as the serial line delivers it, with quiet moments and due queries
// between them, and handed to the readings with the application's own judge. The
// replies must not depend on the cuts, the text held stays bounded, and every
// reading handed on is a whole reply that converts to its value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/Azimuth.h"
#include "rotor/ReplyAssembler.h"
#include "rotor/RotorReadings.h"

using namespace skyvane;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::vector<std::string> WholeReplies(std::string_view stream, std::size_t step) {
    TReplyAssembler assembler;
    std::vector<std::string> replies;
    for (std::size_t at = 0; at < stream.size(); at += step) {
        assembler.Feed(stream.substr(at, step), replies);
        Check(assembler.HeldBytes() <= TReplyAssembler::MaxReplyLength);
    }
    return replies;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first byte picks the chunk length (1..32), the second when the line goes
    // quiet or a query is due; the rest is the received stream.
    const std::size_t step = data[0] % 32 + 1;
    const unsigned events = data[1];
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);

    // Replies ended by a terminator are the same however the stream is cut.
    Check(WholeReplies(stream, step) == WholeReplies(stream, stream.size() + 1));

    TRotorReadings readings([](std::string reply) { return ParseRotorReply(std::move(reply)); });
    readings.SetOnReading([](const AzimuthReading& reading) {
        Check(reading.text.size() <= TReplyAssembler::MaxReplyLength);
        Check(reading.text.find_first_of(";\r\n") == std::string::npos);
        Check(AzimuthValue(reading.text) == reading.degrees);
        Check(SectorLabel(reading.degrees).empty() ==
              (reading.degrees < 0 || reading.degrees > 360));
    });
    readings.StartTracking();
    unsigned chunk = 0;
    for (std::size_t at = 0; at < stream.size(); at += step, ++chunk) {
        readings.Received(stream.substr(at, step));
        if (events >> (chunk % 8) & 1) readings.LineQuiet();
        if (chunk % 5 == events % 5) readings.PollTick();
        Check(readings.HeldBytes() <= TReplyAssembler::MaxReplyLength);
        const auto live = readings.LatestLiveReading();
        Check(!live || !readings.Stale());
    }
    return 0;
}
