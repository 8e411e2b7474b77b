// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ip_address.h"

#include <algorithm>
#include <vector>

namespace skyvane::platform {
namespace {

constexpr char32_t Replacement = 0xfffd;

// The code points of UTF-8 `text`; a byte that starts no well-formed sequence stands
// for itself as U+FFFD.
std::u32string CodePoints(std::string_view text) {
    std::u32string points;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned char lead = byte(i);
        const int length = lead < 0x80   ? 1
                           : lead < 0xc2 ? 0
                           : lead < 0xe0 ? 2
                           : lead < 0xf0 ? 3
                           : lead < 0xf5 ? 4
                                         : 0;
        char32_t point = length == 1 ? lead : lead & (0x7f >> length);
        bool formed = length > 0 && i + length <= text.size();
        for (int k = 1; formed && k < length; ++k) {
            formed = (byte(i + k) & 0xc0) == 0x80;
            point = point << 6 | (byte(i + k) & 0x3f);
        }
        // Overlong forms, surrogates and points beyond U+10FFFF are not well formed.
        formed = formed && !(length == 3 && point < 0x800) && !(length == 4 && point < 0x10000) &&
                 !(point >= 0xd800 && point <= 0xdfff) && point <= 0x10ffff;
        points += formed ? point : Replacement;
        i += formed ? length : 1;
    }
    return points;
}

std::string Utf8(std::u32string_view points) {
    std::string text;
    for (const char32_t p : points) {
        if (p < 0x80) {
            text += static_cast<char>(p);
        } else if (p < 0x800) {
            text += static_cast<char>(0xc0 | p >> 6);
            text += static_cast<char>(0x80 | (p & 0x3f));
        } else if (p < 0x10000) {
            text += static_cast<char>(0xe0 | p >> 12);
            text += static_cast<char>(0x80 | (p >> 6 & 0x3f));
            text += static_cast<char>(0x80 | (p & 0x3f));
        } else {
            text += static_cast<char>(0xf0 | p >> 18);
            text += static_cast<char>(0x80 | (p >> 12 & 0x3f));
            text += static_cast<char>(0x80 | (p >> 6 & 0x3f));
            text += static_cast<char>(0x80 | (p & 0x3f));
        }
    }
    return text;
}

// White space in the Unicode sense, as text editors and web pages produce it.
bool IsBlank(char32_t p) {
    return (p >= 9 && p <= 13) || p == ' ' || p == 0x85 || p == 0xa0 || p == 0x1680 ||
           (p >= 0x2000 && p <= 0x200a) || p == 0x2028 || p == 0x2029 || p == 0x202f ||
           p == 0x205f || p == 0x3000;
}

// `points` without blanks at either end and each inner run of blanks one space.
std::u32string Simplified(std::u32string_view points) {
    std::u32string result;
    bool blank = false;
    for (const char32_t p : points) {
        if (IsBlank(p)) {
            blank = !result.empty();
            continue;
        }
        if (blank) result += ' ';
        blank = false;
        result += p;
    }
    return result;
}

// `points` as ASCII; nothing when one of them is not plain ASCII.
std::optional<std::string> Ascii(std::u32string_view points) {
    std::string text;
    for (const char32_t p : points) {
        if (p >= 0x7f) return std::nullopt;
        text += static_cast<char>(p);
    }
    return text;
}

// A number read the way C's strtoull reads one: leading blanks and '+', a "0x" prefix
// (base 0 or 16), a "0b" prefix or a leading 0 meaning octal (base 0). `end` is where reading
// stopped; not `ok` without digits or beyond 64 bits.
struct TNumber {
    std::uint64_t value = 0;
    std::size_t end = 0;
    bool ok = true;
};

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

TNumber ReadNumber(const std::string& text, std::size_t from, int base) {
    TNumber number{0, from, true};
    std::size_t i = from;
    const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    while (at(i) == ' ' || (at(i) >= '\t' && at(i) <= '\r')) ++i;
    if (at(i) == '-') return {0, i, false};
    if (at(i) == '+') ++i;
    if ((base == 0 || base == 16) && at(i) == '0' && (at(i + 1) == 'x' || at(i + 1) == 'X')) {
        i += 2;
        base = 16;
    } else if (base == 0 && at(i) == '0' && (at(i + 1) == 'b' || at(i + 1) == 'B')) {
        i += 2;
        base = 2;
    }
    if (base == 0) base = at(i) == '0' ? 8 : 10;
    bool any = false;
    for (; DigitValue(at(i)) < base; ++i) {
        const unsigned digit = static_cast<unsigned>(DigitValue(at(i)));
        if (number.value > (UINT64_MAX - digit) / static_cast<unsigned>(base)) number.ok = false;
        number.value = number.value * static_cast<unsigned>(base) + digit;
        any = true;
    }
    if (any)
        number.end = i;
    else
        number.ok = false;
    return number;
}

// Dotted IPv4 from `from` to the end of `text`: "a.b.c.d", "a.b.c" (c 16 bits), "a.b"
// (b 24 bits) or "a" (32 bits). Inside IPv6 a part may not start with a superfluous 0.
std::optional<std::uint32_t> ParseIpv4(const std::string& text, std::size_t from,
                                       bool leadingZeros) {
    std::uint32_t address = 0;
    const auto at = [&](std::size_t k) { return k < text.size() ? text[k] : '\0'; };
    for (int dots = 0;; ++dots) {
        if (!leadingZeros && at(from) == '0' && at(from + 1) != '.' && at(from + 1) != '\0')
            return std::nullopt;
        const TNumber part = ReadNumber(text, from, 0);
        if (!part.ok || part.end == from || part.value > 0xffffffffu) return std::nullopt;
        const auto value = static_cast<std::uint32_t>(part.value);
        const bool last = dots == 3 || at(part.end) != '.';
        const int bits = !last || dots == 3 ? 8 : dots == 2 ? 16 : dots == 1 ? 24 : 32;
        if (bits < 32 && value >> bits) return std::nullopt;
        address = (bits < 32 ? address << bits : 0) | value;
        if (last) return part.end == text.size() ? std::optional(address) : std::nullopt;
        from = part.end + 1;
    }
}

// IPv6 groups with at most one "::" and an optional dotted IPv4 tail.
std::optional<IpAddress::Ipv6Bytes> ParseIpv6(const std::string& text) {
    IpAddress::Ipv6Bytes bytes{};
    const std::size_t length = text.size();
    if (length < 2) return std::nullopt;
    const auto colons = static_cast<int>(std::count(text.begin(), text.end(), ':'));
    const auto dots = std::count(text.begin(), text.end(), '.');
    if (dots != 0 && dots != 3) return std::nullopt;
    if (text == "::") return bytes;
    const bool endsWithGap =
        text.compare(0, 2, "::") == 0 || text.compare(length - 2, 2, "::") == 0;
    if (!endsWithGap && (colons < 2 || colons > 7)) return std::nullopt;
    int zeroGroups = (endsWithGap ? 9 : 8) - colons - (dots ? 1 : 0);
    const auto at = [&](std::size_t k) { return k < length ? text[k] : '\0'; };
    std::size_t i = 0;
    int pos = 0;
    while (pos < 15) {
        if (at(i) == ':') {
            // An empty group: only "::" may stand for zero groups, once.
            if (zeroGroups < 1) return std::nullopt;
            if (pos == 0 || pos == colons * 2) {
                if (at(i + 1) != ':') return std::nullopt;
                ++i;
            }
            pos += zeroGroups * 2;
            zeroGroups = 0;
            ++i;
            continue;
        }
        const TNumber group = ReadNumber(text, i, 16);
        if (!group.ok || group.end > i + 4) return std::nullopt;
        if (at(group.end) == '.') {
            if (pos != 12) return std::nullopt;
            const std::optional<std::uint32_t> ipv4 = ParseIpv4(text, i, false);
            if (!ipv4) return std::nullopt;
            for (int k = 0; k < 4; ++k)
                bytes[12 + k] = static_cast<std::uint8_t>(*ipv4 >> (24 - 8 * k));
            return bytes;
        }
        bytes[pos++] = static_cast<std::uint8_t>(group.value >> 8);
        bytes[pos++] = static_cast<std::uint8_t>(group.value);
        if (group.end >= length) break;
        if (at(group.end) != ':') return std::nullopt;
        i = group.end + 1;
    }
    return pos == 16 ? std::optional(bytes) : std::nullopt;
}

std::string Ipv4Text(std::uint32_t value) {
    return std::to_string(value >> 24) + "." + std::to_string(value >> 16 & 0xff) + "." +
           std::to_string(value >> 8 & 0xff) + "." + std::to_string(value & 0xff);
}

std::uint32_t LastFourBytes(const IpAddress::Ipv6Bytes& b) {
    return std::uint32_t(b[12]) << 24 | std::uint32_t(b[13]) << 16 | std::uint32_t(b[14]) << 8 |
           b[15];
}

// The IPv4 address an IPv4-mapped IPv6 address (::ffff:a.b.c.d) carries; 0 for others.
std::uint32_t MappedIpv4(const IpAddress::Ipv6Bytes& b) {
    if (!std::all_of(b.begin(), b.begin() + 10, [](std::uint8_t x) { return x == 0; })) return 0;
    return b[10] == 0xff && b[11] == 0xff ? LastFourBytes(b) : 0;
}

std::string Ipv6Text(const IpAddress::Ipv6Bytes& b) {
    const auto group = [&](int g) { return unsigned(b[2 * g]) << 8 | b[2 * g + 1]; };
    const bool zeroPrefix =
        std::all_of(b.begin(), b.begin() + 10, [](std::uint8_t x) { return x == 0; });
    const bool mapped = zeroPrefix && b[10] == 0xff && b[11] == 0xff;
    const bool compatible = zeroPrefix && b[10] == 0 && b[11] == 0 && (b[12] || b[13] || b[14]);
    if (zeroPrefix && b[10] == 0 && b[11] == 0 && !compatible && b[15] == 0) return "::";
    // The first longest run of two or more zero groups is written "::".
    int runStart = -1, runLength = 1;
    for (int g = 0; g < 8;) {
        int end = g;
        while (end < 8 && group(end) == 0) ++end;
        if (end - g > runLength) {
            runStart = g;
            runLength = end - g;
        }
        g = std::max(end, g + 1);
    }
    static const char* const hex = "0123456789abcdef";
    std::string text = runStart == 0 ? ":" : "";
    for (int g = 0; g < 8; ++g) {
        if (g == runStart) {
            text += ':';
            g += runLength - 1;
            continue;
        }
        if (g == 6 && (mapped || compatible)) return text + Ipv4Text(LastFourBytes(b));
        std::string digits;
        for (unsigned v = group(g); v || digits.empty(); v >>= 4)
            digits.insert(digits.begin(), hex[v & 0xf]);
        text += digits;
        if (g != 7) text += ':';
    }
    return text;
}

}  // namespace

IpAddress IpAddress::FromIpv4(std::uint32_t value) {
    IpAddress address;
    address.family_ = Family::Ipv4;
    address.ipv4_ = value;
    return address;
}

IpAddress IpAddress::FromIpv6(const Ipv6Bytes& bytes, std::string scope) {
    IpAddress address;
    address.family_ = Family::Ipv6;
    address.ipv6_ = bytes;
    address.scope_ = std::move(scope);
    return address;
}

IpAddress IpAddress::LocalHostIpv6() {
    Ipv6Bytes bytes{};
    bytes[15] = 1;
    return FromIpv6(bytes);
}

std::optional<IpAddress> IpAddress::Parse(std::string_view text) {
    // A NUL cannot be part of an address: nothing after it is ignored either.
    if (text.find('\0') != text.npos) return std::nullopt;
    const std::u32string points = Simplified(CodePoints(text));
    if (points.empty()) return std::nullopt;
    if (points.find(U':') != points.npos) {
        const std::size_t percent = points.rfind(U'%');
        const std::optional<std::string> head =
            Ascii(std::u32string_view(points).substr(0, percent));
        if (!head) return std::nullopt;
        const std::optional<Ipv6Bytes> bytes = ParseIpv6(*head);
        if (!bytes) return std::nullopt;
        return FromIpv6(*bytes, percent == points.npos ? "" : Utf8(points.substr(percent + 1)));
    }
    const std::optional<std::string> ascii = Ascii(points);
    if (!ascii) return std::nullopt;
    const std::optional<std::uint32_t> value = ParseIpv4(*ascii, 0, true);
    if (!value) return std::nullopt;
    return FromIpv4(*value);
}

bool IpAddress::IsMulticast() const {
    const std::uint32_t ipv4 = family_ == Family::Ipv6 ? MappedIpv4(ipv6_) : ipv4_;
    if (ipv4) return (ipv4 & 0xf0000000u) == 0xe0000000u;
    return family_ == Family::Ipv6 && ipv6_[0] == 0xff;
}

std::string IpAddress::Text() const {
    switch (family_) {
        case Family::Ipv4:
            return Ipv4Text(ipv4_);
        case Family::Ipv6:
            return Ipv6Text(ipv6_) + (scope_.empty() ? "" : "%" + scope_);
        case Family::None:
            break;
    }
    return {};
}

bool IpAddress::operator==(const IpAddress& other) const {
    return family_ == other.family_ && ipv4_ == other.ipv4_ && ipv6_ == other.ipv6_;
}

}  // namespace skyvane::platform
