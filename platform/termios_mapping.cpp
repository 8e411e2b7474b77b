// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/termios_mapping.h"

#include <cerrno>
#include <cstring>

namespace skyvane::platform {

namespace {
constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
}

int MapLineSettings(const LineSettings& s, termios2& out) {
    if (s.baudRate <= 0) return EINVAL;
    if (s.byteSize < 5 || s.byteSize > 8) return EINVAL;
    if (s.parity > 4 || s.stopBits > 2) return EINVAL;
    // One and a half stop bits exist only with five data bits; the line then uses
    // CSTOPB, which the UART reads as 1.5 at that size.
    if (s.stopBits == 1 && s.byteSize != 5) return EINVAL;

    termios2 t;
    std::memset(&t, 0, sizeof t);
    t.c_cflag = CREAD | CLOCAL | BOTHER | kSizes[s.byteSize - 5];
    t.c_ispeed = static_cast<speed_t>(s.baudRate);
    t.c_ospeed = static_cast<speed_t>(s.baudRate);
    if (s.stopBits != 0) t.c_cflag |= CSTOPB;
    switch (s.parity) {
        case 1:
            t.c_cflag |= PARENB | PARODD;
            break;
        case 2:
            t.c_cflag |= PARENB;
            break;
        case 3:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case 4:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    // Linux has one switch for both directions of hardware handshake: CTS out-flow
    // and RTS handshake each turn it on.
    if (s.outxCtsFlow || s.rtsControl == RtsMode::Handshake) t.c_cflag |= CRTSCTS;

    // Raw input: no translation. Bytes with parity errors are passed unchanged unless
    // replacement is asked for, where the driver puts a NUL in their place (INPCK
    // without IGNPAR and PARMRK); any other replacement character is held only.
    if (s.parityCheck && s.errorCharEnabled) t.c_iflag |= INPCK;
    if (s.outX) t.c_iflag |= IXON;
    if (s.inX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    out = t;
    return 0;
}

}  // namespace skyvane::platform
