// SPDX-License-Identifier: GPL-3.0-or-later
// WSJT-X's Status messages built the way WSJT-X writes them, then read back.
#include <gtest/gtest.h>

#include <random>

#include "rotor/WsjtxMessage.h"
#include "tests/support/WsjtxDatagram.h"

namespace skyvane {
namespace {

using test::StatusDatagram;
using test::TStatusFields;

TEST(WsjtxMessage, StatusMessagesOfSchema2And3AndWhatIsRefused) {
    TStatusFields dx;
    dx.dxCall = "K1ABC";
    dx.dxGrid = "FN42";
    TStatusFields none;  // DX call and grid null
    TStatusFields empty;
    empty.dxCall = "";
    empty.dxGrid = "";
    empty.id = QByteArray();
    struct Case {
        const char* what;
        QByteArray datagram;
        std::optional<TWsjtxStatus> status;
    } cases[] = {
        {"schema 2", StatusDatagram(dx, 2), TWsjtxStatus{"WSJT-X", "K1ABC", "FN42"}},
        {"schema 3", StatusDatagram(dx, 3), TWsjtxStatus{"WSJT-X", "K1ABC", "FN42"}},
        {"null strings", StatusDatagram(none), TWsjtxStatus{"WSJT-X", "", ""}},
        {"empty strings, null id", StatusDatagram(empty), TWsjtxStatus{"", "", ""}},
        {"schema 1", StatusDatagram(dx, 1), std::nullopt},
        {"Decode, type 2", StatusDatagram(dx, 2, 2), std::nullopt},
        {"another magic", StatusDatagram(dx, 2, 1, 0xadbccbdb), std::nullopt},
        {"text", QByteArray("<PST>AZ?</PST>"), std::nullopt},
        {"nothing", QByteArray(), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseWsjtxStatus(c.datagram), c.status) << c.what;
}

TEST(WsjtxMessage, AMessageCutAnywhereBeforeItsDxGridIsRefused) {
    TStatusFields dx;
    dx.dxCall = "K1ABC";
    dx.dxGrid = "FN42";
    const QByteArray whole = StatusDatagram(dx);
    const qsizetype gridEnd = whole.indexOf("FN42") + 4;
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const auto status = ParseWsjtxStatus(whole.left(length));
        EXPECT_EQ(status.has_value(), length >= gridEnd) << length;
    }
}

// 10,000 datagrams: random Status messages must come back field for field, random bytes
// and random corruptions of good messages must never crash or read past the end.
TEST(WsjtxMessage, RandomDatagramsSeeded) {
    std::mt19937 random(20240521);
    const auto text = [&](bool allowNull) {
        const int length = static_cast<int>(random() % 12);
        if (allowNull && random() % 4 == 0) return QByteArray();
        QByteArray t;
        for (int i = 0; i < length; ++i) t += static_cast<char>('A' + random() % 26);
        return t;
    };
    // Whatever a damaged datagram is read as, every field read is bytes it holds.
    const auto fieldsFromWithin = [](const QByteArray& datagram) {
        const auto status = ParseWsjtxStatus(datagram);
        if (!status) return true;
        for (const std::string* field : {&status->id, &status->dxCall, &status->dxGrid})
            if (!datagram.contains(QByteArray::fromStdString(*field))) return false;
        return true;
    };
    int read = 0;
    for (int i = 0; i < 10000; ++i) {
        TStatusFields f;
        f.id = text(false);
        f.dxCall = text(true);
        f.dxGrid = text(true);
        f.deCall = text(true);
        QByteArray datagram = StatusDatagram(f, 2 + random() % 2);
        switch (i % 3) {
            case 0: {
                const auto status = ParseWsjtxStatus(datagram);
                ASSERT_TRUE(status) << i;
                EXPECT_EQ(status->dxCall, f.dxCall.toStdString());
                EXPECT_EQ(status->dxGrid, f.dxGrid.toStdString());
                EXPECT_EQ(status->id, f.id.toStdString());
                ++read;
                break;
            }
            case 1:  // a few bytes changed anywhere, lengths among them
                for (int n = 0; n < 3; ++n)
                    datagram[random() % datagram.size()] = static_cast<char>(random());
                EXPECT_TRUE(fieldsFromWithin(datagram)) << i;
                break;
            default:  // bytes of no message at all, the magic number sometimes first
                datagram.resize(random() % 200);
                for (char& c : datagram) c = static_cast<char>(random());
                if (datagram.size() >= 12 && random() % 2)
                    datagram.replace(0, 4, "\xad\xbc\xcb\xda");
                EXPECT_TRUE(fieldsFromWithin(datagram)) << i;
                break;
        }
    }
    EXPECT_EQ(read, 3334);
}

}  // namespace
}  // namespace skyvane
