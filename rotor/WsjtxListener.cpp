// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/WsjtxListener.h"

namespace skyvane {

TWsjtxListener::TWsjtxListener(TOnStatus onStatus)
    : onStatus_(std::move(onStatus)),
      receiver_([this](const QByteArray& datagram, const platform::IpAddress&, quint16) {
          if (const std::optional<TWsjtxStatus> status = ParseWsjtxStatus(datagram))
              onStatus_(*status);
      }) {}

}  // namespace skyvane
