// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AimingSettings.h"

#include "app/Configuration.h"
#include "app/UnusableSettings.h"
#include "rotor/LoggerRotorPackets.h"
#include "rotor/Steering.h"
#include "rotor/WsjtxListener.h"

namespace skyvane {
namespace {

// Reads the settings section, noting each value that cannot be used.
class TReader {
public:
    TReader(const TCustomIniFile& ini, std::vector<TSettingProblem>* problems)
        : ini_(ini), problems_(problems) {}

    // The key's trimmed value; empty when missing or empty.
    std::string Text(std::string_view key) const { return ReadSettingText(ini_, key).value_or(""); }

    bool YesNo(std::string_view key, bool fallback) {
        const std::string text = Text(key);
        if (text.empty()) return fallback;
        if (const std::optional<bool> yes = YesNoFromText(text)) return *yes;
        return Problem(key, text, "is neither YES nor NOT", YesNotText(fallback)), fallback;
    }

    int Number(std::string_view key, int low, int high, int fallback, const char* what) {
        const std::string text = Text(key);
        if (text.empty()) return fallback;
        const bool digits = text.size() <= 6 && text.find_first_not_of("0123456789") == text.npos;
        const int value = digits ? std::stoi(text) : -1;
        if (value >= low && value <= high) return value;
        Problem(key, text, std::string("is not ") + what, std::to_string(fallback));
        return fallback;
    }

    TUdpEndpoint Endpoint(std::string_view key, const TUdpEndpoint& fallback) {
        const std::string text = Text(key);
        if (text.empty()) return fallback;
        if (std::optional<TUdpEndpoint> endpoint = ParseUdpEndpoint(text)) return *endpoint;
        Problem(key, text, "is not an address and port such as 127.0.0.1:2237",
                UdpEndpointText(fallback));
        return fallback;
    }

    platform::IpAddress Address(std::string_view key) {
        const std::string text = Text(key);
        if (text.empty()) return platform::IpAddress::LocalHost();
        if (std::optional<platform::IpAddress> address = platform::IpAddress::Parse(text))
            return *address;
        Problem(key, text, "is not an IP address such as 127.0.0.1", "127.0.0.1");
        return platform::IpAddress::LocalHost();
    }

    void Problem(std::string_view key, const std::string& value, const std::string& why,
                 const std::string& fallback) {
        if (!problems_) return;
        problems_->push_back({std::string(key), value,
                              std::string(key) + "=" + value + " " + why + "; Skyvane uses " +
                                  (fallback.empty() ? "nothing" : fallback) + "."});
    }

private:
    const TCustomIniFile& ini_;
    std::vector<TSettingProblem>* problems_;
};

}  // namespace

TAimingSettings ReadAimingSettings(const TCustomIniFile& ini,
                                   std::vector<TSettingProblem>* problems) {
    TReader in(ini, problems);
    TAimingSettings s;
    s.wsjtx = in.YesNo("WSJTX", false);
    s.wsjtxAddress =
        in.Endpoint("WSJTXADDRESS", {platform::IpAddress::LocalHost(), DefaultWsjtxPort});
    s.wsjtxFollow = in.YesNo("WSJTXFOLLOW", false);
    const std::string countryFile = in.Text("CTYFILE");
    s.countryFileSet = !countryFile.empty();
    if (s.countryFileSet) s.countryFile = countryFile;
    s.parkHeading =
        in.Number("PARKHEADING", MinSteerHeading, MaxSteerHeading, 0, "a heading from 0 to 360");
    const char* portText = "a port from 1 to 65535";
    s.n1mm = in.YesNo("N1MMROTOR", false);
    s.n1mmAddress.address = in.Address("N1MMADDRESS");
    s.n1mmAddress.port =
        static_cast<quint16>(in.Number("N1MMPORT", 1, 65535, DefaultN1mmPort, portText));
    const std::string name = in.Text("N1MMNAME");
    if (!name.empty()) s.n1mmName = name;
    s.pst = in.YesNo("PSTROTOR", false);
    s.pstAddress.address = in.Address("PSTADDRESS");
    // The answers go to the port after it, which must exist too.
    s.pstAddress.port = static_cast<quint16>(
        in.Number("PSTPORT", 1, 65534, DefaultPstPort, "a port from 1 to 65534"));
    return s;
}

}  // namespace skyvane
