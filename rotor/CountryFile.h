// SPDX-License-Identifier: GPL-3.0-or-later
// A callsign's country from a country file in the cty.dat format: one record per
// country ("Name: CQ: ITU: continent: latitude: longitude (west positive): UTC offset:
// primary prefix:") followed by its prefixes, comma separated up to ";". A prefix may
// carry overrides ("(cq)", "[itu]", "<lat/lon>", "{continent}", "~offset~"); an entry
// "=CALL" stands for that exact callsign.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "rotor/Locator.h"

namespace skyvane {

// The country a callsign or prefix belongs to, and the point its bearing is taken to.
struct TCountry {
    std::string name;       // "Fed. Rep. of Germany"
    std::string prefix;     // the country's primary prefix, "DL"
    std::string continent;  // "EU"
    TGeoPosition position;  // north and east positive
};

// What a look-up found.
struct TCountryMatch {
    enum Kind {
        Found,     // country holds the answer
        NotACall,  // not letters, digits and '/' making a callsign or prefix
        Mobile,    // maritime or aeronautical mobile (/MM, /AM): no country to aim at
        NoCountry  // no prefix of the file matches
    } kind = NotACall;
    TCountry country;
    std::string call;  // the text looked up, in upper case
};

class TCountryFile {
public:
    // An empty file: every look-up finds no country.
    TCountryFile() = default;

    // Reads the text of a country file. Records it cannot read are skipped and counted.
    static TCountryFile Parse(std::string_view text);
    // Reads the file at `path`; nothing when it cannot be read or holds no country.
    static std::optional<TCountryFile> Load(const std::string& path);

    // The countries read.
    std::size_t CountryCount() const { return countries_.size(); }
    // Records of the text that could not be read.
    std::size_t SkippedRecords() const { return skipped_; }

    // The country of `call` (a callsign such as "DL1ABC", "W1AW/P", "DL/W1AW", or a bare
    // prefix such as "VK9"): the exact entry first, else the longest matching prefix of
    // the part that names the country.
    TCountryMatch Lookup(std::string_view call) const;

private:
    struct TEntry {
        std::size_t country = 0;
        std::optional<TGeoPosition> position;  // an override of the country's point
        std::string continent;                 // an override; empty: the country's
    };

    void AddEntry(std::string_view text, std::size_t country);
    const TEntry* LongestPrefix(std::string_view call) const;
    TCountry CountryOf(const TEntry& entry) const;

    std::vector<TCountry> countries_;
    std::unordered_map<std::string, TEntry> exact_;
    std::unordered_map<std::string, TEntry> prefixes_;
    std::size_t longestPrefix_ = 0;
    std::size_t skipped_ = 0;
};

// True for text that could be a callsign or prefix: 1 to 20 letters, digits and '/'.
bool IsCallsignText(std::string_view text);

// The prefix a callsign's country is read from: "DL/W1AW" -> "DL", "W1AW/P" -> "W1AW",
// "W1AW/4" -> "W4", "VE3/W1AW/P" -> "VE3"; the call itself when it has no '/'.
std::string CountryPart(std::string_view call);

}  // namespace skyvane
