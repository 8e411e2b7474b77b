// SPDX-License-Identifier: GPL-3.0-or-later
// Callsigns and prefixes to countries, in a small country file of the cty.dat format and
// in the one Debian's hamradio-files installs.
#include <gtest/gtest.h>

#include <filesystem>

#include "rotor/CountryFile.h"
#include "rotor/TurnTarget.h"

namespace skyvane {
namespace {

// Longitudes in the file are west positive; overrides and a record broken over lines.
constexpr const char* SmallFile =
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\r\n"
    "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,\r\n"
    "    DP,DQ,DR,=DL0XYZ/LH<54.18/-7.89>;\r\n"
    "United States:            05:  08:  NA:   37.60:    91.87:     5.0:  K:\n"
    "    AA,K,N,W,KL<61.40/148.87>{NA}(1)[1],=N2NL/MM(7),=W1AW/KG4;\n"
    "Broken record:            05\n"
    "    XX;\n"
    "Canada:                   05:  09:  NA:   44.35:    78.75:     5.0:  VE:\n"
    "    VA,VE,VO1;\n"
    "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  *UA:\n"
    "    R,U;\n";

struct Expected {
    const char* call;
    TCountryMatch::Kind kind;
    const char* country;
    double latitude, longitude;
};

void ExpectLookups(const TCountryFile& file, const std::vector<Expected>& cases) {
    for (const Expected& c : cases) {
        const TCountryMatch match = file.Lookup(c.call);
        EXPECT_EQ(match.kind, c.kind) << c.call;
        if (c.kind != TCountryMatch::Found || match.kind != c.kind) continue;
        EXPECT_EQ(match.country.name, c.country) << c.call;
        EXPECT_NEAR(match.country.position.latitude, c.latitude, 1e-9) << c.call;
        EXPECT_NEAR(match.country.position.longitude, c.longitude, 1e-9) << c.call;
    }
}

TEST(CountryFile, ASmallFileOfItsOwn) {
    const TCountryFile file = TCountryFile::Parse(SmallFile);
    EXPECT_EQ(file.CountryCount(), 4u);
    EXPECT_EQ(file.SkippedRecords(), 1u);
    using K = TCountryMatch;
    ExpectLookups(
        file, {
                  {"DL1ABC", K::Found, "Fed. Rep. of Germany", 51.00, 10.00},
                  {"DL0XYZ/LH", K::Found, "Fed. Rep. of Germany", 54.18, 7.89},  // exact, own point
                  {"KL7AB", K::Found, "United States", 61.40, -148.87},  // longer prefix wins
                  {"K1ABC", K::Found, "United States", 37.60, -91.87},
                  {"W1AW/KG4", K::Found, "United States", 37.60, -91.87},       // exact entry
                  {"DL/W1AW", K::Found, "Fed. Rep. of Germany", 51.00, 10.00},  // operating abroad
                  {"W1AW/VE3", K::Found, "Canada", 44.35, -78.75},
                  {"VO1/W1AW/P", K::Found, "Canada", 44.35, -78.75},
                  {"W1AW/P", K::Found, "United States", 37.60, -91.87},
                  {"UA3ABC", K::Found, "European Russia", 53.65, 41.37},  // "*" prefix
                  {"W1AW/MM", K::Mobile, "", 0, 0},
                  {"DL1ABC/AM", K::Mobile, "", 0, 0},
                  {"XX1XX", K::NoCountry, "", 0, 0},
                  {"Q", K::NoCountry, "", 0, 0},
                  {"DL-1", K::NotACall, "", 0, 0},
                  {"///", K::NotACall, "", 0, 0},
                  {"DL1ABCDEFGHIJKLMNOPQRSTUVW", K::NotACall, "", 0, 0},
              });
    EXPECT_EQ(CountryPart("W1AW/4"), "W4");
}

TEST(CountryFile, TheBearingToACallIsTheBearingToItsCountrysPoint) {
    const TCountryFile file = TCountryFile::Parse(SmallFile);
    const std::optional<TGeoPosition> home = LocatorPosition("JO62qm");
    for (const char* call : {"K1ABC", "KL7AB", "dl/w1aw", "VE3XY"}) {
        const TTurnTarget target = ParseTurnTarget(call, "JO62qm", &file);
        ASSERT_EQ(target.kind, TTurnTarget::Country) << call;
        const TGreatCirclePaths paths = GreatCirclePaths(*home, file.Lookup(call).country.position);
        EXPECT_EQ(target.heading, WholeDegreeBearing(paths.shortPath.bearing)) << call;
        EXPECT_NEAR(target.paths.longPath.distanceKm, paths.longPath.distanceKm, 1e-6) << call;
    }
    EXPECT_EQ(ParseTurnTarget("K1ABC", "", &file).kind, TTurnTarget::CountryNoStation);
    EXPECT_EQ(ParseTurnTarget("W1AW/MM", "JO62qm", &file).kind, TTurnTarget::MobileCall);
    EXPECT_EQ(ParseTurnTarget("XX1XX", "JO62qm", &file).kind, TTurnTarget::UnknownCall);
    EXPECT_EQ(ParseTurnTarget("K1ABC", "JO62qm", nullptr).kind, TTurnTarget::Invalid);
    // Headings and locators come first: "JN58" is a locator, "90" a heading.
    EXPECT_EQ(ParseTurnTarget("JN58", "JO62qm", &file).kind, TTurnTarget::Locator);
    EXPECT_EQ(ParseTurnTarget("90", "JO62qm", &file).kind, TTurnTarget::Heading);
}

TEST(CountryFile, TheDebianFile) {
    const std::string path = "/usr/share/hamradio-files/cty.dat";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is not installed (hamradio-files)";
    const std::optional<TCountryFile> file = TCountryFile::Load(path);
    ASSERT_TRUE(file);
    EXPECT_GT(file->CountryCount(), 300u);
    EXPECT_EQ(file->SkippedRecords(), 0u);
    using K = TCountryMatch;
    ExpectLookups(*file, {
                             {"DL1ABC", K::Found, "Fed. Rep. of Germany", 51.00, 10.00},
                             {"G4ABC", K::Found, "England", 52.77, -1.47},
                             {"JA1XYZ", K::Found, "Japan", 36.40, 138.38},
                             {"KL7XX", K::Found, "Alaska", 61.40, -148.87},
                             {"W1AW/KG4", K::Found, "Guantanamo Bay", 20.00, -75.00},
                             {"DL/W1AW", K::Found, "Fed. Rep. of Germany", 51.00, 10.00},
                             {"W1AW/MM", K::Mobile, "", 0, 0},
                         });
    EXPECT_FALSE(TCountryFile::Load(path + ".missing"));
}

}  // namespace
}  // namespace skyvane
