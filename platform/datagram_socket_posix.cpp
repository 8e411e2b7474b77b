// SPDX-License-Identifier: GPL-3.0-or-later
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "platform/datagram_socket.h"
#include "platform/socket_address_p.h"

namespace skyvane::platform {
namespace {

// An interface that is up and can multicast, with its first IPv4 address if it has one.
struct TGroupInterface {
    unsigned index = 0;
    std::optional<in_addr> ipv4;
};

std::map<std::string, TGroupInterface> GroupInterfaces() {
    std::map<std::string, TGroupInterface> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return found;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!(entry->ifa_flags & IFF_UP) || !(entry->ifa_flags & IFF_MULTICAST)) continue;
        TGroupInterface& face = found[entry->ifa_name];
        if (!face.index) face.index = if_nametoindex(entry->ifa_name);
        if (!face.ipv4 && entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET)
            face.ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
    }
    freeifaddrs(list);
    return found;
}

// Joins `group` on the interface `face` (nothing: where the system routes the group).
int Join(int fd, const IpAddress& group, const std::optional<TGroupInterface>& face) {
    int result = 0;
    if (group.IsIpv6()) {
        ipv6_mreq request{};
        std::memcpy(&request.ipv6mr_multiaddr, group.Ipv6().data(), 16);
        request.ipv6mr_interface = face ? face->index : 0;
        result = setsockopt(fd, IPPROTO_IPV6, IPV6_JOIN_GROUP, &request, sizeof request);
    } else {
        // An IPv4 group is joined on an interface by that interface's IPv4 address.
        if (face && !face->ipv4) return ENETUNREACH;
        ip_mreq request{};
        request.imr_multiaddr.s_addr = htonl(group.Ipv4());
        request.imr_interface.s_addr = face ? face->ipv4->s_addr : htonl(INADDR_ANY);
        result = setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request);
    }
    return result == 0 ? 0 : errno;
}

}  // namespace

std::optional<SocketFailure> DatagramSocket::Bind(const IpAddress& address, std::uint16_t port,
                                                  bool shared) {
    Close();
    SocketFailure failure;
    const int fd = detail::OpenBoundSocket(SOCK_DGRAM, address, port, shared, failure);
    if (fd < 0) return failure;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    handle_ = fd;
    return std::nullopt;
}

std::optional<SocketFailure> DatagramSocket::JoinGroup(const IpAddress& group) {
    const int fd = static_cast<int>(handle_);
    int joined = 0;
    for (const auto& [name, face] : GroupInterfaces())
        if (Join(fd, group, face) == 0) ++joined;
    if (joined > 0) return std::nullopt;
    if (const int error = Join(fd, group, std::nullopt))
        return SocketFailure{SocketStep::Join, error};
    return std::nullopt;
}

void DatagramSocket::Close() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    handle_ = -1;
}

std::uint16_t DatagramSocket::Port() const {
    return detail::LocalPort(static_cast<int>(handle_));
}

std::optional<std::size_t> DatagramSocket::WaitingSize() const {
    char byte;
    for (;;) {
        const ssize_t n =
            recv(static_cast<int>(handle_), &byte, 1, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return std::nullopt;
    }
}

DatagramRead DatagramSocket::Receive(char* buffer, std::size_t size) {
    DatagramRead read;
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    char byte;
    for (;;) {
        // An empty buffer still takes the datagram off the queue.
        const ssize_t n =
            recvfrom(static_cast<int>(handle_), size ? buffer : &byte, size ? size : 1,
                     MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return read;
        read.received = true;
        read.bytes = size ? static_cast<std::size_t>(n) : 0;
        read.sender = detail::FromSockAddr(from, read.senderPort);
        return read;
    }
}

bool DatagramSocket::Send(const char* data, std::size_t size, const IpAddress& to,
                          std::uint16_t port) {
    const detail::SockAddr where = detail::ToSockAddr(to, port);
    for (;;) {
        const ssize_t n =
            sendto(static_cast<int>(handle_), data, size, MSG_NOSIGNAL, where.Get(), where.length);
        if (n < 0 && errno == EINTR) continue;
        return n >= 0 && static_cast<std::size_t>(n) == size;
    }
}

}  // namespace skyvane::platform
