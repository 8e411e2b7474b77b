// SPDX-License-Identifier: GPL-3.0-or-later
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "platform/socket_address_p.h"

namespace skyvane::platform {

std::string SocketFailureText(const SocketFailure& failure) {
    const int e = failure.error;
    switch (failure.step) {
        case SocketStep::Create:
            if (e == EPROTONOSUPPORT || e == EAFNOSUPPORT || e == EINVAL)
                return "Protocol type not supported";
            if (e == ENFILE || e == EMFILE || e == ENOBUFS || e == ENOMEM)
                return "Out of resources";
            if (e == EACCES) return "Permission denied";
            break;
        case SocketStep::Bind:
        case SocketStep::Listen:
            if (e == EADDRINUSE) return "The bound address is already in use";
            if (e == EACCES) return "The address is protected";
            if (e == EINVAL) return "Unsupported socket operation";
            if (e == EADDRNOTAVAIL) return "The address is not available";
            break;
        case SocketStep::Join:
            if (e == ENOPROTOOPT) return "Unsupported socket operation";
            if (e == EADDRNOTAVAIL) return "The address is not available";
            if (e == ENETUNREACH) return "Network unreachable";
            break;
    }
    return std::strerror(e);
}

bool IsAddressInUse(const SocketFailure& failure) {
    return failure.error == EADDRINUSE &&
           (failure.step == SocketStep::Bind || failure.step == SocketStep::Listen);
}

namespace detail {

unsigned ScopeIndex(const std::string& scope) {
    if (scope.empty()) return 0;
    unsigned number = 0;
    const auto [end, error] = std::from_chars(scope.data(), scope.data() + scope.size(), number);
    if (error == std::errc() && end == scope.data() + scope.size()) return number;
    return if_nametoindex(scope.c_str());
}

SockAddr ToSockAddr(const IpAddress& address, std::uint16_t port) {
    SockAddr result;
    if (address.IsIpv6()) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&result.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        std::memcpy(&in6->sin6_addr, address.Ipv6().data(), 16);
        in6->sin6_scope_id = ScopeIndex(address.Scope());
        result.length = sizeof(sockaddr_in6);
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&result.storage);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(port);
        in4->sin_addr.s_addr = htonl(address.Ipv4());
        result.length = sizeof(sockaddr_in);
    }
    return result;
}

IpAddress FromSockAddr(const sockaddr_storage& from, std::uint16_t& port) {
    if (from.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&from);
        port = ntohs(in6->sin6_port);
        IpAddress::Ipv6Bytes bytes;
        std::memcpy(bytes.data(), &in6->sin6_addr, 16);
        char name[IF_NAMESIZE] = {};
        std::string scope;
        if (in6->sin6_scope_id)
            scope = if_indextoname(in6->sin6_scope_id, name) ? name
                                                             : std::to_string(in6->sin6_scope_id);
        return IpAddress::FromIpv6(bytes, scope);
    }
    if (from.ss_family == AF_INET) {
        const auto* in4 = reinterpret_cast<const sockaddr_in*>(&from);
        port = ntohs(in4->sin_port);
        return IpAddress::FromIpv4(ntohl(in4->sin_addr.s_addr));
    }
    port = 0;
    return {};
}

int OpenBoundSocket(int type, const IpAddress& address, std::uint16_t port, bool reuse,
                    SocketFailure& failure) {
    const bool v6 = address.IsIpv6();
    const int fd = socket(v6 ? AF_INET6 : AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failure = {SocketStep::Create, errno};
        return -1;
    }
    const int one = 1;
    if (reuse) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (v6) setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    const SockAddr where = ToSockAddr(address, port);
    if (bind(fd, where.Get(), where.length) != 0) {
        failure = {SocketStep::Bind, errno};
        close(fd);
        return -1;
    }
    return fd;
}

std::uint16_t LocalPort(int fd) {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (fd < 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    std::uint16_t port = 0;
    FromSockAddr(local, port);
    return port;
}

}  // namespace detail
}  // namespace skyvane::platform
