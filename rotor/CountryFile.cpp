// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/CountryFile.h"

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

#include "rotor/TextParsing.h"

namespace skyvane {
namespace {

constexpr std::size_t MaxCallLength = 20;

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// The file's latitude and longitude (west positive) as a point, when both are sound.
std::optional<TGeoPosition> Position(std::string_view latitude, std::string_view westLongitude) {
    const std::optional<double> lat = DecimalNumber(latitude), lon = DecimalNumber(westLongitude);
    if (!lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180) return std::nullopt;
    return TGeoPosition{*lat, -*lon};
}

// The text between `open` and `close` in `entry`, when the entry holds them.
std::optional<std::string_view> Enclosed(std::string_view entry, char open, char close) {
    const std::size_t from = entry.find(open);
    if (from == entry.npos) return std::nullopt;
    const std::size_t to = entry.find(close, from + 1);
    if (to == entry.npos) return std::nullopt;
    return entry.substr(from + 1, to - from - 1);
}

bool IsSuffixOnly(std::string_view part) {
    static constexpr std::array<std::string_view, 7> suffixes{"P",   "M",    "A", "B",
                                                              "QRP", "QRPP", "LH"};
    for (std::string_view s : suffixes)
        if (part == s) return true;
    return false;
}

}  // namespace

bool IsCallsignText(std::string_view text) {
    if (text.empty() || text.size() > MaxCallLength) return false;
    for (char c : text) {
        const bool ok =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/';
        if (!ok) return false;
    }
    return text.find_first_not_of('/') != text.npos;
}

std::string CountryPart(std::string_view call) {
    std::vector<std::string_view> parts;
    while (!call.empty()) {
        const std::size_t slash = call.find('/');
        std::string_view part = call.substr(0, slash);
        if (!part.empty() && !IsSuffixOnly(part)) parts.push_back(part);
        if (slash == call.npos) break;
        call.remove_prefix(slash + 1);
    }
    if (parts.empty()) return {};
    if (parts.size() == 1) return std::string(parts.front());
    // A lone digit after the call moves it to that call area: W1AW/4 is a W4.
    std::string_view longest = parts.front();
    for (std::string_view p : parts)
        if (p.size() > longest.size()) longest = p;
    for (std::string_view p : parts) {
        if (p.size() == 1 && p[0] >= '0' && p[0] <= '9') {
            const std::size_t digit = longest.find_first_of("0123456789", 1);
            return std::string(longest.substr(0, digit == longest.npos ? longest.size() : digit)) +
                   std::string(p);
        }
    }
    // Otherwise the shortest part is the prefix the station operates under.
    std::string_view shortest = parts.front();
    for (std::string_view p : parts)
        if (p.size() < shortest.size()) shortest = p;
    return std::string(shortest);
}

TCountryFile TCountryFile::Parse(std::string_view text) {
    TCountryFile file;
    while (!TrimmedSpace(text).empty()) {
        const std::size_t end = text.find(';');
        std::string_view record = text.substr(0, end);
        text.remove_prefix(end == text.npos ? text.size() : end + 1);

        // Eight header fields, each ended by ':', then the prefix list.
        std::array<std::string_view, 8> fields;
        bool whole = true;
        for (std::string_view& field : fields) {
            const std::size_t colon = record.find(':');
            if (colon == record.npos) {
                whole = false;
                break;
            }
            field = TrimmedSpace(record.substr(0, colon));
            record.remove_prefix(colon + 1);
        }
        const std::optional<TGeoPosition> position =
            whole ? Position(fields[4], fields[5]) : std::nullopt;
        if (!position || fields[0].empty()) {
            ++file.skipped_;
            continue;
        }
        std::string_view primary = fields[7];
        if (!primary.empty() && primary.front() == '*') primary.remove_prefix(1);
        const std::size_t index = file.countries_.size();
        file.countries_.push_back(
            {std::string(fields[0]), Upper(primary), std::string(fields[3]), *position});
        file.AddEntry(primary, index);
        while (!record.empty()) {
            const std::size_t comma = record.find(',');
            file.AddEntry(TrimmedSpace(record.substr(0, comma)), index);
            record.remove_prefix(comma == record.npos ? record.size() : comma + 1);
        }
    }
    return file;
}

std::optional<TCountryFile> TCountryFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    TCountryFile file = Parse(text.str());
    if (file.CountryCount() == 0) return std::nullopt;
    return file;
}

void TCountryFile::AddEntry(std::string_view text, std::size_t country) {
    const bool exact = !text.empty() && text.front() == '=';
    if (exact) text.remove_prefix(1);
    const std::size_t overrides = text.find_first_of("([<{~");
    const std::string call = Upper(TrimmedSpace(text.substr(0, overrides)));
    if (!IsCallsignText(call)) return;
    TEntry entry{country, std::nullopt, {}};
    if (overrides != text.npos) {
        const std::string_view rest = text.substr(overrides);
        if (const auto where = Enclosed(rest, '<', '>')) {
            const std::size_t slash = where->find('/');
            if (slash != where->npos)
                entry.position = Position(where->substr(0, slash), where->substr(slash + 1));
        }
        if (const auto continent = Enclosed(rest, '{', '}')) entry.continent = *continent;
    }
    // The first record to name a prefix keeps it.
    auto& table = exact ? exact_ : prefixes_;
    if (table.emplace(call, entry).second && !exact)
        longestPrefix_ = std::max(longestPrefix_, call.size());
}

const TCountryFile::TEntry* TCountryFile::LongestPrefix(std::string_view call) const {
    for (std::size_t length = std::min(call.size(), longestPrefix_); length > 0; --length) {
        auto found = prefixes_.find(std::string(call.substr(0, length)));
        if (found != prefixes_.end()) return &found->second;
    }
    return nullptr;
}

TCountry TCountryFile::CountryOf(const TEntry& entry) const {
    TCountry country = countries_[entry.country];
    if (entry.position) country.position = *entry.position;
    if (!entry.continent.empty()) country.continent = entry.continent;
    return country;
}

TCountryMatch TCountryFile::Lookup(std::string_view text) const {
    TCountryMatch match;
    match.call = Upper(TrimmedSpace(text));
    if (!IsCallsignText(match.call)) return match;
    const std::string_view call = match.call;
    if (call.ends_with("/MM") || call.ends_with("/AM")) {
        match.kind = TCountryMatch::Mobile;
        return match;
    }
    const TEntry* entry = nullptr;
    if (auto found = exact_.find(match.call); found != exact_.end()) entry = &found->second;
    if (!entry) entry = LongestPrefix(CountryPart(call));
    match.kind = entry ? TCountryMatch::Found : TCountryMatch::NoCountry;
    if (entry) match.country = CountryOf(*entry);
    return match;
}

}  // namespace skyvane
