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
    sentThisPeriod_ = 0;
    Flush();
    onItsWayQueried_ = onItsWay_.has_value();
    queryOut_ = true;
}

void TSteeringScheduler::QueryAnswered() {
    queryOut_ = false;
    // The controller answers in order: what went out before the query has been taken.
    if (onItsWayQueried_) onItsWay_.reset();
    onItsWayQueried_ = false;
    const std::optional<int> heading = liveHeading_();
    stillReplies_ = heading && heading == lastHeading_ ? stillReplies_ + 1 : 0;
    lastHeading_ = heading;
    if (sentThisPeriod_ < MaxCommandsPerPeriod) Flush();
}

void TSteeringScheduler::LineClosed() {
    queryOut_ = false;
    sentThisPeriod_ = 0;
    waiting_.reset();
    onItsWay_.reset();
    onItsWayQueried_ = false;
    target_.reset();
}

bool TSteeringScheduler::RequestTurn(int heading) {
    std::optional<std::string> bytes = TurnCommand(heading);
    if (!bytes || !Request(std::move(*bytes))) return false;
    target_ = heading;
    stillReplies_ = 0;
    return true;
}

bool TSteeringScheduler::RequestStop() {
    if (!Request(StopCommand())) return false;
    target_.reset();
    return true;
}

int TSteeringScheduler::Turning() const {
    const std::optional<int> heading = liveHeading_();
    if (!target_ || !heading || stillReplies_ >= StillReadings) return 0;
    if (*heading < *target_ - 1) return 1;
    if (*heading > *target_ + 1) return -1;
    return 0;
}

bool TSteeringScheduler::Request(std::string bytes) {
    if (!CanSteer()) return false;
    if (bytes == onItsWay_) {
        waiting_.reset();  // the latest request is on its way already
        return true;
    }
    if (bytes == waiting_) return true;
    waiting_ = std::move(bytes);
    return queryOut_ || sentThisPeriod_ >= MaxCommandsPerPeriod || Flush();
}

bool TSteeringScheduler::Flush() {
    if (!waiting_) return true;
    std::string bytes = std::move(*waiting_);
    waiting_.reset();
    if (!write_(bytes)) return false;
    onItsWay_ = std::move(bytes);
    onItsWayQueried_ = false;
    ++sentThisPeriod_;
    return true;
}

}  // namespace skyvane
