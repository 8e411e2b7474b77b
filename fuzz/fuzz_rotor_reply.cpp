// SPDX-License-Identifier: GPL-3.0-or-later
// The reply handling of the poll cycle, checked for the properties the readings
// promise. The input drives two runs: first as the choices of random exchanges with
// a controller (layouts, junk, cuts, quiet moments, straddled queries), which must
// pass the oracle of tests/rotor/ReplyExchanges.h; then as a raw received stream, cut
// and interleaved with quiet moments and queries by its first two bytes, where
// whatever is shown must be a whole reply that converts, and the text held bounded.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Azimuth.h"
#include "rotor/ReplyAssembler.h"
#include "rotor/RotorReadings.h"
#include "tests/rotor/ReplyExchanges.h"

using namespace skyvane;

namespace {

void Check(bool condition, const std::string& what = "") {
    if (condition) return;
    std::fprintf(stderr, "property violated: %s\n", what.c_str());
    std::abort();
}

void CheckRawStream(std::string_view stream, std::size_t step, unsigned events) {
    TRotorReadings readings([](std::string reply) { return ParseRotorReply(std::move(reply)); });
    readings.SetOnReading([](const AzimuthReading& reading) {
        Check(reading.text.size() <= TReplyAssembler::MaxReplyLength);
        Check(reading.text.find_first_of(";\r\n") == std::string::npos);
        Check(AzimuthValue(reading.text) == reading.degrees);
    });
    readings.StartTracking();
    unsigned chunk = 0;
    for (std::size_t at = 0; at < stream.size(); at += step, ++chunk) {
        readings.Received(stream.substr(at, step));
        if (events >> (chunk % 8) & 1) readings.LineQuiet();
        if (chunk % 5 == events % 5) readings.PollTick();
        Check(readings.HeldBytes() <= TReplyAssembler::MaxReplyLength);
        Check(!readings.LatestLiveReading() || !readings.Stale());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t next = 0;
    const test::TPick pick = [&](unsigned n) { return next < size ? data[next++] % n : 0u; };
    const std::string failure = test::CheckExchanges(test::MakeExchanges(pick, int(size / 16) + 1));
    Check(failure.empty(), failure);
    if (size < 2) return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    CheckRawStream(stream, data[0] % 32 + 1, data[1]);
    return 0;
}
