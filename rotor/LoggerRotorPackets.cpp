// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/LoggerRotorPackets.h"

#include <algorithm>
#include <cmath>

#include "rotor/TextParsing.h"

namespace skyvane {
namespace {

// The text of the first <tag>...</tag> in `text`.
std::optional<std::string_view> Element(std::string_view text, std::string_view tag) {
    const std::string open = "<" + std::string(tag) + ">", close = "</" + std::string(tag) + ">";
    const std::size_t from = text.find(open);
    if (from == text.npos) return std::nullopt;
    const std::size_t begin = from + open.size();
    const std::size_t end = text.find(close, begin);
    if (end == text.npos) return std::nullopt;
    return text.substr(begin, end - begin);
}

// The whole datagram's root element, with an XML declaration before it allowed.
std::optional<std::string_view> Root(std::string_view datagram, std::string_view tag) {
    datagram = TrimmedSpace(datagram);
    if (datagram.starts_with("<?")) {
        const std::size_t end = datagram.find("?>");
        if (end == datagram.npos) return std::nullopt;
        datagram = TrimmedSpace(datagram.substr(end + 2));
    }
    const std::string open = "<" + std::string(tag) + ">", close = "</" + std::string(tag) + ">";
    if (!datagram.starts_with(open) || !datagram.ends_with(close)) return std::nullopt;
    return datagram.substr(open.size(), datagram.size() - open.size() - close.size());
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::optional<TN1mmCommand> ParseN1mmCommand(std::string_view datagram) {
    const std::optional<std::string_view> body = Root(datagram, "N1MMRotor");
    if (!body) return std::nullopt;
    TN1mmCommand command;
    if (const auto stop = Element(*body, "stop")) {
        const auto rotor = Element(*stop, "rotor");
        if (!rotor) return std::nullopt;
        command.kind = TN1mmCommand::Stop;
        command.rotor = std::string(TrimmedSpace(*rotor));
        return command;
    }
    const auto rotor = Element(*body, "rotor");
    const auto goazi = Element(*body, "goazi");
    const std::optional<double> heading = goazi ? DecimalNumber(*goazi) : std::nullopt;
    if (!rotor || !heading) return std::nullopt;
    double offset = 0;
    if (const auto text = Element(*body, "offset")) {
        const std::optional<double> value = DecimalNumber(*text);
        if (!value) return std::nullopt;
        offset = *value;
    }
    command.rotor = std::string(TrimmedSpace(*rotor));
    command.heading = *heading - offset;
    return command;
}

std::string N1mmHeadingText(std::string_view rotor, int degrees) {
    return std::string(rotor) + " @ " + std::to_string(degrees * 10);
}

bool SameRotorName(std::string_view rotor, std::string_view ours) {
    rotor = TrimmedSpace(rotor);
    ours = TrimmedSpace(ours);
    return std::equal(rotor.begin(), rotor.end(), ours.begin(), ours.end(),
                      [](char a, char b) { return Upper(a) == Upper(b); });
}

std::optional<TPstCommand> ParsePstCommand(std::string_view datagram) {
    const std::optional<std::string_view> body = Root(datagram, "PST");
    if (!body) return std::nullopt;
    TPstCommand command;
    if (TrimmedSpace(*body) == "AZ?") return command;
    if (const auto azimuth = Element(*body, "AZIMUTH")) {
        const std::optional<double> heading = DecimalNumber(*azimuth);
        if (!heading) return std::nullopt;
        command.kind = TPstCommand::Turn;
        command.heading = *heading;
        return command;
    }
    if (Element(*body, "PARK")) {
        command.kind = TPstCommand::Park;
        return command;
    }
    if (Element(*body, "STOP")) {
        command.kind = TPstCommand::Stop;
        return command;
    }
    return std::nullopt;
}

std::string PstHeadingText(int degrees) {
    std::string digits = std::to_string(std::clamp(degrees, 0, 999));
    return "AZ:" + std::string(3 - digits.size(), '0') + digits;
}

int RequestedDegrees(double heading) {
    return static_cast<int>(std::lround(std::clamp(heading, -100000.0, 100000.0)));
}

}  // namespace skyvane
