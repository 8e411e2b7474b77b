// SPDX-License-Identifier: GPL-3.0-or-later
// Addresses read from text, judged against Qt's own address class on the same text:
// seeded random byte strings and address-like strings with their typical slips.
#include <gtest/gtest.h>

#include <QHostAddress>
#include <bitset>
#include <random>

#include "platform/ip_address.h"

namespace skyvane::platform {
namespace {

class AddressTexts {
public:
    explicit AddressTexts(unsigned seed) : random_(seed) {}

    // Any bytes but NUL.
    std::string Bytes() {
        std::string text(Pick(0, 24), ' ');
        for (char& c : text) c = static_cast<char>(Pick(1, 255));
        return text;
    }
    // Dotted parts in decimal, octal or hex, some out of range or empty.
    std::string Ipv4Like() {
        std::string text;
        for (int part = Pick(1, 5); part > 0; --part)
            text += Number(Pick(0, 3) == 0 ? 70000 : 300, Pick(0, 9)) + (part > 1 ? "." : "");
        return Slipped(text);
    }
    // Groups with gaps, an IPv4 tail or a scope now and then.
    std::string Ipv6Like() {
        std::string text;
        const int gap = Pick(0, 3) == 0 ? -1 : Pick(0, 7);
        const int groups = gap < 0 ? Pick(7, 9) : std::max(gap, Pick(0, 7));
        for (int g = 0; g < groups; ++g) {
            if (g == gap) text += ':';
            text += Hex(Pick(0, 6) == 0 ? Pick(0, 5) : Pick(1, 4));
            if (g + 1 < groups) text += ':';
        }
        if (gap == groups) text += "::";
        if (Pick(0, 5) == 0) text += ":" + Number(255, 0) + ".1.2." + Number(300, Pick(0, 9));
        static const char* const scopes[] = {"%eth0", "%2", "%", "%lo x", "%\xc3\xa9"};
        if (Pick(0, 6) == 0) text += scopes[Pick(0, 4)];
        return Slipped(text);
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::string Hex(int digits) {
        std::string hex;
        while (digits-- > 0) hex += "0123456789abcdefABCDEF"[Pick(0, 21)];
        return hex;
    }
    std::string Number(int high, int form) {
        const int value = Pick(0, high);
        char text[32];
        if (form == 1)
            std::snprintf(text, sizeof text, "0%o", value);
        else if (form == 2)
            std::snprintf(text, sizeof text, "0x%x", value);
        else if (form == 3)
            std::snprintf(text, sizeof text, "%c%d", "+- "[Pick(0, 2)], value);
        else if (form == 4)
            return "";
        else if (form == 5)
            return "0b" + std::bitset<9>(static_cast<unsigned>(value)).to_string();
        else
            std::snprintf(text, sizeof text, "%d", value);
        return text;
    }
    // Blanks around or inside (also non-breaking spaces), a character put in, left out
    // or changed.
    std::string Slipped(std::string text) {
        static const char* const slips[] = {
            " ",       "\t", ".", ":", "%", "[",    "]",        "x",
            "0",       "f",  "g", "-", "+", "\xa0", "\xc2\xa0", "\xe2\x80\x83",
            "\xc3\xa9"};
        for (int n = Pick(0, 2) == 0 ? Pick(1, 3) : 0; n > 0; --n) {
            const auto at = static_cast<std::size_t>(Pick(0, static_cast<int>(text.size())));
            const int kind = Pick(0, 2);
            if (kind == 0 || text.empty())
                text.insert(at, slips[Pick(0, 16)]);
            else if (at < text.size() && kind == 1)
                text.erase(at, 1);
            else if (at < text.size())
                text[at] = slips[Pick(0, 12)][0];
        }
        if (Pick(0, 8) == 0) text = slips[Pick(0, 1)] + text + (Pick(0, 1) ? "\xc2\xa0" : "\n");
        return text;
    }

    std::mt19937 random_;
};

TEST(IpAddressTest, ReadsWhatQtReadsAndWritesItTheSameWay) {
    AddressTexts texts(20261209);
    int accepted = 0, ipv6 = 0;
    std::optional<IpAddress> previous;
    QHostAddress previousQt;
    for (int i = 0; i < 6000; ++i) {
        const std::string text = i % 3 == 0   ? texts.Bytes()
                                 : i % 3 == 1 ? texts.Ipv4Like()
                                              : texts.Ipv6Like();
        const QString trimmed = QString::fromStdString(text).simplified();
        // Qt reads outside the text when nothing stands before the scope.
        if (trimmed.contains(':') && trimmed.lastIndexOf('%') == 0) continue;
        QHostAddress qt;
        const bool qtRead = qt.setAddress(QString::fromStdString(text));
        const std::optional<IpAddress> ours = IpAddress::Parse(text);
        ASSERT_EQ(ours.has_value(), qtRead) << i << ": \"" << text << "\"";
        if (!ours) continue;
        ++accepted;
        ipv6 += ours->IsIpv6();
        ASSERT_EQ(ours->IsIpv6(), qt.protocol() == QAbstractSocket::IPv6Protocol) << text;
        EXPECT_EQ(ours->Text(), qt.toString().toStdString()) << text;
        EXPECT_EQ(ours->Scope(), qt.scopeId().toStdString()) << text;
        EXPECT_EQ(ours->IsMulticast(), qt.isMulticast()) << text;
        const Q_IPV6ADDR bytes = qt.toIPv6Address();
        if (ours->IsIpv6())
            EXPECT_EQ(0, std::memcmp(ours->Ipv6().data(), bytes.c, 16)) << text;
        else
            EXPECT_EQ(ours->Ipv4(), qt.toIPv4Address()) << text;
        if (previous) {
            EXPECT_EQ(*ours == *previous, qt == previousQt) << text;
        }
        previous = ours;
        previousQt = qt;
    }
    // The comparison means something only with many of both kinds read.
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(ipv6, 400);
}

TEST(IpAddressTest, ANulEndsNothingItIsRefused) {
    // Qt reads "1.2.3.4\0junk" as 1.2.3.4; a setting with a NUL in it is not an address.
    EXPECT_FALSE(IpAddress::Parse(std::string("1.2.3.4\0junk", 12)));
    EXPECT_EQ(IpAddress::Parse("127.0.0.1")->Text(), "127.0.0.1");
}

}  // namespace
}  // namespace skyvane::platform
