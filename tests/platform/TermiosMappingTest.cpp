// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/termios_mapping.h"

namespace skyvane::platform {
namespace {

termios2 Mapped(const LineSettings& s) {
    termios2 t{};
    EXPECT_EQ(MapLineSettings(s, t), 0);
    return t;
}

TEST(TermiosMappingTest, TheDefaultLineIsRawEightNoneOneAt9600) {
    const termios2 t = Mapped(LineSettings{});
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ(t.c_ispeed, 9600u);
    EXPECT_EQ(t.c_ospeed, 9600u);
    EXPECT_EQ(t.c_iflag, 0u);  // no translation, no flow control
    EXPECT_EQ(t.c_oflag, 0u);
    EXPECT_EQ(t.c_lflag, 0u);  // no echo, no line editing, no signals
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(t.c_cc[VSTART], 17);
    EXPECT_EQ(t.c_cc[VSTOP], 19);
}

TEST(TermiosMappingTest, AnySpeedGoesThroughBother) {
    for (int bps : {110, 31250, 56000, 115200, 128000, 256000, 1000000}) {
        LineSettings s;
        s.baudRate = bps;
        const termios2 t = Mapped(s);
        EXPECT_EQ(t.c_ospeed, static_cast<speed_t>(bps));
        EXPECT_EQ(t.c_ispeed, static_cast<speed_t>(bps));
        EXPECT_EQ(t.c_cflag & CBAUD, static_cast<tcflag_t>(BOTHER));
    }
}

TEST(TermiosMappingTest, SizesParitiesAndStopBits) {
    const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    for (int bits = 5; bits <= 8; ++bits) {
        LineSettings s;
        s.byteSize = static_cast<std::uint8_t>(bits);
        EXPECT_EQ(Mapped(s).c_cflag & CSIZE, sizes[bits - 5]) << bits;
    }
    const tcflag_t parities[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                 PARENB | CMSPAR};
    for (int p = 0; p <= 4; ++p) {
        LineSettings s;
        s.parity = static_cast<std::uint8_t>(p);
        EXPECT_EQ(Mapped(s).c_cflag & (PARENB | PARODD | CMSPAR), parities[p]) << p;
    }
    LineSettings two;
    two.stopBits = 2;
    EXPECT_TRUE(Mapped(two).c_cflag & CSTOPB);
    LineSettings oneAndHalf;
    oneAndHalf.stopBits = 1;
    oneAndHalf.byteSize = 5;
    EXPECT_TRUE(Mapped(oneAndHalf).c_cflag & CSTOPB);
}

TEST(TermiosMappingTest, FlowControlSwitches) {
    LineSettings cts;
    cts.outxCtsFlow = true;
    EXPECT_TRUE(Mapped(cts).c_cflag & CRTSCTS);
    LineSettings rts;
    rts.rtsControl = RtsMode::Handshake;
    EXPECT_TRUE(Mapped(rts).c_cflag & CRTSCTS);
    LineSettings rtsOn;
    rtsOn.rtsControl = RtsMode::Enable;
    EXPECT_FALSE(Mapped(rtsOn).c_cflag & CRTSCTS);
    LineSettings xon;
    xon.outX = true;
    xon.xonChar = 'a';
    xon.xoffChar = 'b';
    termios2 t = Mapped(xon);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON));
    EXPECT_EQ(t.c_cc[VSTART], 'a');
    EXPECT_EQ(t.c_cc[VSTOP], 'b');
    xon.inX = true;
    xon.outX = false;
    EXPECT_EQ(Mapped(xon).c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXOFF));
}

TEST(TermiosMappingTest, ParityErrorsAreReplacedOnlyWithCheckAndReplace) {
    LineSettings s;
    s.parity = 2;
    s.parityCheck = true;
    EXPECT_FALSE(Mapped(s).c_iflag & INPCK);  // checked and reported, bytes passed unchanged
    s.errorCharEnabled = true;
    EXPECT_TRUE(Mapped(s).c_iflag & INPCK);
    EXPECT_FALSE(Mapped(s).c_iflag & (IGNPAR | PARMRK));
}

TEST(TermiosMappingTest, WhatTheLineCannotCarryIsRefusedAndLeavesTheRecordAlone) {
    const auto refused = [](LineSettings s) {
        termios2 t{};
        t.c_cflag = 12345;
        const int e = MapLineSettings(s, t);
        return e == EINVAL && t.c_cflag == 12345u;
    };
    LineSettings s;
    s.baudRate = 0;
    EXPECT_TRUE(refused(s));
    s.baudRate = -9600;
    EXPECT_TRUE(refused(s));
    s = {};
    s.byteSize = 9;
    EXPECT_TRUE(refused(s));
    s.byteSize = 4;
    EXPECT_TRUE(refused(s));
    s = {};
    s.parity = 5;
    EXPECT_TRUE(refused(s));
    s = {};
    s.stopBits = 3;
    EXPECT_TRUE(refused(s));
    for (std::uint8_t size : {6, 7, 8}) {
        s = {};
        s.stopBits = 1;  // 1.5 stop bits exist only with 5 data bits
        s.byteSize = size;
        EXPECT_TRUE(refused(s)) << int(size);
    }
}

}  // namespace
}  // namespace skyvane::platform
