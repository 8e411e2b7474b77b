// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/WsjtxMessage.h"

namespace skyvane {
namespace {

// A sequential reader that fails once anything runs past the end; every later read
// then fails too, so one check at the end covers the whole message.
class TReader {
public:
    explicit TReader(const QByteArray& data) : data_(data) {}

    bool Ok() const { return ok_; }

    std::uint32_t U32() {
        if (!Need(4)) return 0;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | static_cast<unsigned char>(data_[at_ + i]);
        at_ += 4;
        return value;
    }
    void Skip(qsizetype bytes) {
        if (Need(bytes)) at_ += bytes;
    }
    // A QByteArray as QDataStream writes it: a 32-bit length, 0xffffffff for a null
    // array, then that many bytes.
    std::string Utf8() {
        const std::uint32_t length = U32();
        if (!ok_ || length == 0xffffffffu) return {};
        if (!Need(length)) return {};
        std::string text(data_.constData() + at_, length);
        at_ += length;
        return text;
    }

private:
    bool Need(qint64 bytes) {
        ok_ = ok_ && bytes >= 0 && bytes <= data_.size() - at_;
        return ok_;
    }

    const QByteArray& data_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

}  // namespace

std::optional<TWsjtxStatus> ParseWsjtxStatus(const QByteArray& datagram) {
    TReader in(datagram);
    if (in.U32() != WsjtxMagic) return std::nullopt;
    const std::uint32_t schema = in.U32();
    if (schema != 2 && schema != 3) return std::nullopt;
    if (in.U32() != WsjtxStatusType) return std::nullopt;
    TWsjtxStatus status;
    status.id = in.Utf8();
    in.Skip(8);  // dial frequency, quint64
    in.Utf8();   // mode
    status.dxCall = in.Utf8();
    in.Utf8();   // report
    in.Utf8();   // Tx mode
    in.Skip(3);  // Tx enabled, transmitting, decoding: one byte each
    in.Skip(8);  // Rx DF, Tx DF
    in.Utf8();   // DE call
    in.Utf8();   // DE grid
    status.dxGrid = in.Utf8();
    if (!in.Ok()) return std::nullopt;
    return status;
}

}  // namespace skyvane
