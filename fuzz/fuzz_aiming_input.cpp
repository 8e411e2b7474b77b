// SPDX-License-Identifier: GPL-3.0-or-later
// What arrives from other programs and files to aim the rotor with: WSJT-X datagrams,
// the loggers' UDP commands, a country file with callsigns looked up in it, stored
// presets. The first byte chooses the reader; each must hold what it promises.
#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rotor/CountryFile.h"
#include "rotor/LoggerRotorPackets.h"
#include "rotor/Presets.h"
#include "rotor/WsjtxMessage.h"

using namespace skyvane;

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

void Wsjtx(std::string_view input) {
    const QByteArray datagram(input.data(), static_cast<qsizetype>(input.size()));
    if (const auto status = ParseWsjtxStatus(datagram))
        Check(status->id.size() + status->dxCall.size() + status->dxGrid.size() <= input.size(),
              "a Status holds more text than its datagram");
}

void Loggers(std::string_view input) {
    if (const auto command = ParseN1mmCommand(input)) {
        Check(SameRotorName(command->rotor, command->rotor), "a rotor name that is not its own");
        if (command->kind == TN1mmCommand::Turn)
            Check(std::abs(RequestedDegrees(command->heading)) <= 100000,
                  "an N1MM heading beyond the bound");
    }
    if (const auto command = ParsePstCommand(input); command && command->kind == TPstCommand::Turn)
        Check(std::abs(RequestedDegrees(command->heading)) <= 100000,
              "a PST heading beyond the bound");
}

// The file is the input; the calls looked up are its own words and pieces of them.
void Countries(std::string_view input) {
    const TCountryFile file = TCountryFile::Parse(input);
    std::size_t start = 0;
    for (int n = 0; n < 64 && start < input.size(); ++n) {
        const std::size_t end = std::min(input.size(), input.find_first_of(" ,:;=\n", start));
        const TCountryMatch match = file.Lookup(input.substr(start, end - start));
        if (match.kind == TCountryMatch::Found) {
            const TGeoPosition& at = match.country.position;
            Check(std::isfinite(at.latitude) && std::abs(at.latitude) <= 90,
                  "a country's latitude outside -90..90");
            Check(std::isfinite(at.longitude) && std::abs(at.longitude) <= 180,
                  "a country's longitude outside -180..180");
            Check(!match.country.name.empty(), "a country without a name");
        }
        start = end + 1;
    }
}

// A stored preset read back and stored again reads back the same.
void Presets(std::string_view input) {
    const auto preset = PresetFromText(input);
    if (!preset) return;
    Check(!preset->name.empty(), "a preset without a name");
    if (const auto text = PresetText(*preset)) {
        const auto again = PresetFromText(*text);
        Check(again && *again == *preset, "a preset that does not read back as stored");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
        case 0:
            Wsjtx(input);
            break;
        case 1:
            Loggers(input);
            break;
        case 2:
            Countries(input);
            break;
        default:
            Presets(input);
            break;
    }
    return 0;
}
