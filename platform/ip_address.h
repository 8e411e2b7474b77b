// SPDX-License-Identifier: GPL-3.0-or-later
// An IPv4 or IPv6 address as a value: read from the literal text users write in the
// settings (no host name is looked up), shown as text, compared.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skyvane::platform {

class IpAddress {
public:
    using Ipv6Bytes = std::array<std::uint8_t, 16>;

    // No address.
    IpAddress() = default;
    // The IPv4 address `value` (most significant byte first when written).
    static IpAddress FromIpv4(std::uint32_t value);
    // The IPv6 address `bytes`, with the interface `scope` of a link-local one ("eth0", "2").
    static IpAddress FromIpv6(const Ipv6Bytes& bytes, std::string scope = {});
    // 127.0.0.1.
    static IpAddress LocalHost() { return FromIpv4(0x7f000001); }
    // ::1.
    static IpAddress LocalHostIpv6();
    // 0.0.0.0: every IPv4 interface.
    static IpAddress AnyIpv4() { return FromIpv4(0); }
    // ::, every IPv6 interface.
    static IpAddress AnyIpv6() { return FromIpv6({}); }

    // The address UTF-8 `text` writes: dotted IPv4 (also the short, octal, hex and
    // binary forms such as "127.1" or "0x7f.0.0.1"), or IPv6 with an optional "%scope"; blanks
    // around and inside are tolerated the usual way. Nothing for anything else.
    static std::optional<IpAddress> Parse(std::string_view text);

    // True when this holds no address.
    bool IsNull() const { return family_ == Family::None; }
    // True for an IPv6 address (an IPv4-mapped one included).
    bool IsIpv6() const { return family_ == Family::Ipv6; }
    // True for a multicast group: 224.0.0.0/4 (also IPv4-mapped), ff00::/8.
    bool IsMulticast() const;
    // The IPv4 address; 0 for others.
    std::uint32_t Ipv4() const { return ipv4_; }
    // The IPv6 address's bytes; all zero for others.
    const Ipv6Bytes& Ipv6() const { return ipv6_; }
    // The interface an IPv6 address is scoped to; empty when none.
    const std::string& Scope() const { return scope_; }
    // "192.0.2.1", "2001:db8::1", "::ffff:192.0.2.1", "fe80::1%eth0"; empty for none.
    std::string Text() const;

    // Same family and same address (the scope is not compared).
    bool operator==(const IpAddress& other) const;
    // Not the same address.
    bool operator!=(const IpAddress& other) const { return !(*this == other); }

private:
    enum class Family : std::uint8_t { None, Ipv4, Ipv6 };

    Family family_ = Family::None;
    std::uint32_t ipv4_ = 0;
    Ipv6Bytes ipv6_{};
    std::string scope_;
};

}  // namespace skyvane::platform
