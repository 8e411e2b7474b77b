// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/LoggerRotorListeners.h"

#include <cstdlib>
#include <string_view>

namespace skyvane {
namespace {

std::string_view Text(const QByteArray& datagram) {
    return {datagram.constData(), static_cast<std::size_t>(datagram.size())};
}

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TN1mmRotorListener::TN1mmRotorListener(TRotorAccess& rotor, std::string name, quint16 replyPort)
    : rotor_(rotor),
      name_(std::move(name)),
      replyPort_(replyPort),
      receiver_([this](const QByteArray& datagram, const platform::IpAddress& sender, quint16) {
          Received(datagram, sender);
      }) {}

void TN1mmRotorListener::Received(const QByteArray& datagram, const platform::IpAddress& sender) {
    const std::optional<TN1mmCommand> command = ParseN1mmCommand(Text(datagram));
    if (!command || !SameRotorName(command->rotor, name_)) return;
    logger_ = sender;
    if (command->kind == TN1mmCommand::Stop)
        rotor_.RequestStop();
    else
        rotor_.RequestTurn(RequestedDegrees(command->heading));
}

void TN1mmRotorListener::HeadingRead() {
    const std::optional<int> heading = rotor_.LiveHeading();
    if (!logger_ || !heading) return;
    const bool moved = !reported_ || std::abs(*heading - *reported_) >= ReportStepDegrees;
    if (!moved && sinceReport_.isValid() && sinceReport_.elapsed() < ReportEveryMs) return;
    receiver_.Send(Bytes(N1mmHeadingText(name_, *heading)), *logger_, replyPort_);
    reported_ = heading;
    sinceReport_.start();
}

TPstRotorListener::TPstRotorListener(TRotorAccess& rotor)
    : rotor_(rotor),
      receiver_([this](const QByteArray& datagram, const platform::IpAddress& sender, quint16) {
          Received(datagram, sender);
      }) {}

void TPstRotorListener::Received(const QByteArray& datagram, const platform::IpAddress& sender) {
    const std::optional<TPstCommand> command = ParsePstCommand(Text(datagram));
    if (!command) return;
    switch (command->kind) {
        case TPstCommand::Turn:
            rotor_.RequestTurn(RequestedDegrees(command->heading));
            break;
        case TPstCommand::Park:
            rotor_.RequestPark();
            break;
        case TPstCommand::Stop:
            rotor_.RequestStop();
            break;
        case TPstCommand::AskHeading:
            // No live heading, no answer: an old one would mislead the logger.
            if (const std::optional<int> heading = rotor_.LiveHeading())
                receiver_.Send(Bytes(PstHeadingText(*heading)), sender,
                               static_cast<quint16>(receiver_.Port() + 1));
            break;
    }
}

}  // namespace skyvane
