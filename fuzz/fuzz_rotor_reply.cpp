// SPDX-License-Identifier: GPL-3.0-or-later
// The reply handling of the poll cycle: each received chunk is parsed the way the
// window does it, and an accepted reading gets its compass label. The input is cut
// into chunks at random points, as the serial line delivers it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Azimuth.h"

using namespace skyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the chunk length (1..32); the rest is the received stream.
    const std::size_t step = data[0] % 32 + 1;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (std::size_t at = 0; at < stream.size(); at += step) {
        const std::string chunk(stream.substr(at, step));
        const auto reading = ParseRotorReply(chunk);
        if (!reading) continue;
        // The text shown is what came before the first ";" and converts to the value.
        if (chunk.compare(0, reading->text.size(), reading->text) != 0) std::abort();
        if (AzimuthValue(reading->text) != reading->degrees) std::abort();
        const std::string label = SectorLabel(reading->degrees);
        if (label.empty() != (reading->degrees < 0 || reading->degrees > 360)) std::abort();
    }
    (void)AzimuthValue(stream);
    return 0;
}
