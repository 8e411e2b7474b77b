// SPDX-License-Identifier: GPL-3.0-or-later
// WSJT-X's UDP messages as its NetworkMessage format writes them: a big-endian
// QDataStream with the magic number 0xadbccbda, a schema number and a message type.
// Only what aiming needs is read: the Status message's DX call and DX grid.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <string>

namespace skyvane {

// The first four bytes of every WSJT-X message.
inline constexpr std::uint32_t WsjtxMagic = 0xadbccbda;
// The message type of Status, sent whenever WSJT-X's state (the DX call among it) changes.
inline constexpr std::uint32_t WsjtxStatusType = 1;

// What a Status message says about the station being worked.
struct TWsjtxStatus {
    std::string id;      // the sending instance's unique key, such as "WSJT-X"
    std::string dxCall;  // the "DX Call" field; empty when none (null or empty string)
    std::string dxGrid;  // the "DX Grid" field; empty when none
    bool operator==(const TWsjtxStatus&) const = default;
};

// Reads a Status message of schema 2 or 3 field by field, in the order WSJT-X writes
// them. Nothing for anything else: another magic number or schema, another message
// type, a message that ends before the DX grid, a length that runs past the end.
std::optional<TWsjtxStatus> ParseWsjtxStatus(const QByteArray& datagram);

}  // namespace skyvane
