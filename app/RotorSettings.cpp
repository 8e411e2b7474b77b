// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorSettings.h"

#include <charconv>
#include <functional>

#include "app/Configuration.h"
#include "rotor/HamlibRotors.h"

namespace skyvane {
namespace {

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

// A whole number within lo..hi.
std::function<std::optional<int>(std::string_view)> WithinRange(int lo, int hi) {
    return [lo, hi](std::string_view text) -> std::optional<int> {
        const std::optional<int> value = WholeNumber(text);
        return value && *value >= lo && *value <= hi ? value : std::nullopt;
    };
}

constexpr const char* BuiltInLine = "0, the built-in \"AI1;\" line on COMPORT";

}  // namespace

std::string RotorPortProblem(int model, std::string_view port) {
    const std::optional<THamlibModel> known = HamlibModel(model);
    if (!known) {
        const std::string unavailable = HamlibUnavailableText();
        return unavailable.empty() ? "Hamlib knows no rotor model " + std::to_string(model)
                                   : unavailable;
    }
    if (known->port == THamlibPort::Network) {
        const std::size_t colon = port.rfind(':');
        const std::optional<int> number =
            colon == port.npos ? std::nullopt : WholeNumber(port.substr(colon + 1));
        if (colon == 0 || !number || *number < 1 || *number > 65535)
            return "a network rotor needs host:port, such as 127.0.0.1:4533";
    } else if (known->port == THamlibPort::Serial && port.empty()) {
        return "a serial rotor needs its device, such as /dev/ttyUSB0";
    }
    return {};
}

TRotorSettings ReadRotorSettings(const TCustomIniFile& ini, TUnusableSettings* unusable) {
    TUnusableSettings ignored;
    TUnusableSettings& noted = unusable ? *unusable : ignored;
    TRotorSettings s;
    s.port = ReadSettingText(ini, "ROTORPORT").value_or("");
    s.model = ReadSetting<int>(
        ini, "ROTORMODEL", 0,
        [&](std::string_view text) -> std::optional<int> {
            const std::optional<int> model = WholeNumber(text);
            if (model == 0) return 0;
            if (!model || *model < 0 || !RotorPortProblem(*model, s.port).empty()) return {};
            return model;
        },
        "a Hamlib rotor model number (rotctl -l lists them) with its ROTORPORT (a device, or "
        "host:port for model 2)",
        BuiltInLine, noted);
    s.speed = ReadSetting<int>(ini, "ROTORSPEED", 0, WithinRange(0, 4000000),
                               "a serial speed in bits per second", "0, the model's own", noted);
    s.offset = ReadSetting<int>(ini, "AZOFFSET", 0, WithinRange(-LargestOffset, LargestOffset),
                                "whole degrees from -180 to 180", "0", noted);
    const std::optional<std::string> min = ReadSettingText(ini, "AZMIN");
    const std::optional<std::string> max = ReadSettingText(ini, "AZMAX");
    if (min || max) {
        const std::optional<int> low = WholeNumber(min.value_or(""));
        const std::optional<int> high = WholeNumber(max.value_or(""));
        if (low && high && IsTurningRange({*low, *high})) {
            s.range = TAzimuthRange{*low, *high};
        } else {
            const std::string expected =
                "with AZMAX a range from -180 to 450 at most 450 wide (0/360, -180/180, 0/450)";
            noted.Note({"AZMIN", min.value_or(""), expected, "the rotor's own range"});
            noted.Note({"AZMAX", max.value_or(""), expected, "the rotor's own range"});
        }
    }
    return s;
}

void WriteRotorSettings(TCustomIniFile& ini, const TRotorSettings& settings,
                        const TUnusableSettings* kept) {
    const TRotorSettings defaults;
    const auto write = [&](std::string_view key, bool changed, const std::string& value) {
        if (changed || ReadSettingText(ini, key)) WriteSetting(ini, key, value, kept);
    };
    write("ROTORMODEL", settings.model != defaults.model, std::to_string(settings.model));
    write("ROTORPORT", settings.port != defaults.port, settings.port);
    write("ROTORSPEED", settings.speed != defaults.speed, std::to_string(settings.speed));
    write("AZOFFSET", settings.offset != defaults.offset, std::to_string(settings.offset));
    const bool ranged = settings.range.has_value();
    write("AZMIN", ranged, ranged ? std::to_string(settings.range->min) : "");
    write("AZMAX", ranged, ranged ? std::to_string(settings.range->max) : "");
}

}  // namespace skyvane
