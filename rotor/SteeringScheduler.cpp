// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/SteeringScheduler.h"

#include "rotor/Steering.h"

namespace skyvane {

TSteeringScheduler::TSteeringScheduler(TLiveHeading liveHeading, TLineOpen lineOpen, TWriter write)
    : liveHeading_(std::move(liveHeading)),
      lineOpen_(std::move(lineOpen)),
      write_(std::move(write)) {}

void TSteeringScheduler::QueryStarting() {
    queryOut_ = false;
    Flush();
    queryOut_ = true;
}

void TSteeringScheduler::QueryAnswered() {
    queryOut_ = false;
    Flush();
}

void TSteeringScheduler::LineClosed() {
    queryOut_ = false;
    waiting_.reset();
}

bool TSteeringScheduler::RequestTurn(int heading) {
    std::optional<std::string> bytes = TurnCommand(heading);
    return bytes && Request(std::move(*bytes));
}

bool TSteeringScheduler::RequestStop() {
    return Request(StopCommand());
}

bool TSteeringScheduler::Request(std::string bytes) {
    if (!CanSteer()) return false;
    waiting_ = std::move(bytes);
    return queryOut_ || Flush();
}

bool TSteeringScheduler::Flush() {
    if (!waiting_) return true;
    std::string bytes = std::move(*waiting_);
    waiting_.reset();
    return write_(bytes);
}

}  // namespace skyvane
