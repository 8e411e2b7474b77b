// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RotorSettings.h"

#include <charconv>

#include "app/Configuration.h"
#include "app/SharingSettings.h"
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

// Collects the keys that could not be used, each with its value and what holds instead.
class TProblems {
public:
    void Add(std::string_view key, const std::string& value, std::string_view instead) {
        if (!text_.empty()) text_ += "\n";
        text_ += std::string(key) + "=" + value + " in the configuration file cannot be used; " +
                 std::string(instead) + ".";
    }
    std::string Text() const {
        return text_.empty() ? text_
                             : text_ + "\nRotor\xE2\x80\xA6 in the menu chooses the rotor anew.";
    }

private:
    std::string text_;
};

std::string Read(const TCustomIniFile& ini, std::string_view key) {
    return Trimmed(ini.ReadString(SettingsSection, key, ""));
}

}  // namespace

std::string RotorPortProblem(int model, std::string_view port) {
    const std::optional<THamlibModel> known = HamlibModel(model);
    if (!known) return "Hamlib knows no rotor model " + std::to_string(model);
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

TRotorSettingsRead ReadRotorSettings(const TCustomIniFile& ini) {
    TRotorSettingsRead read;
    TRotorSettings& s = read.settings;
    TProblems problems;

    s.port = Read(ini, "ROTORPORT");
    const std::string modelText = Read(ini, "ROTORMODEL");
    if (!modelText.empty()) {
        const std::optional<int> model = WholeNumber(modelText);
        const std::string problem = model && *model > 0 ? RotorPortProblem(*model, s.port) : "";
        if (!model || *model < 0)
            problems.Add("ROTORMODEL", modelText,
                         "it is not a Hamlib model number, so the built-in \"AI1;\" line on "
                         "COMPORT is used");
        else if (!problem.empty())
            problems.Add("ROTORMODEL", modelText,
                         problem + " (ROTORPORT=" + s.port +
                             "), so the built-in \"AI1;\" line on COMPORT is used");
        else
            s.model = *model;
    }

    if (const std::string speed = Read(ini, "ROTORSPEED"); !speed.empty()) {
        const std::optional<int> value = WholeNumber(speed);
        if (!value || *value < 0 || *value > 4000000)
            problems.Add("ROTORSPEED", speed, "the model's own speed is used");
        else
            s.speed = *value;
    }
    if (const std::string offset = Read(ini, "AZOFFSET"); !offset.empty()) {
        const std::optional<int> value = WholeNumber(offset);
        if (!value || *value < -LargestOffset || *value > LargestOffset)
            problems.Add("AZOFFSET", offset,
                         "it must be whole degrees from -180 to 180; 0 is used");
        else
            s.offset = *value;
    }
    const std::string minText = Read(ini, "AZMIN");
    const std::string maxText = Read(ini, "AZMAX");
    if (!minText.empty() || !maxText.empty()) {
        const std::optional<int> min = WholeNumber(minText);
        const std::optional<int> max = WholeNumber(maxText);
        if (min && max && IsTurningRange({*min, *max}))
            s.range = TAzimuthRange{*min, *max};
        else
            problems.Add("AZMIN/AZMAX", minText + "/" + maxText,
                         "they must give a range from -180 to 450 at most 450 wide, such as "
                         "0/360, -180/180 or 0/450; the rotor's own range is used");
    }
    read.problems = problems.Text();
    return read;
}

void WriteRotorSettings(TCustomIniFile& ini, const TRotorSettings& settings) {
    const TRotorSettings defaults;
    const auto write = [&](std::string_view key, bool changed, const std::string& value) {
        if (changed || HasKey(ini, key)) ini.WriteString(SettingsSection, key, value);
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
