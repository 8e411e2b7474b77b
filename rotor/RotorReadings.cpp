// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotorReadings.h"

#include <utility>
#include <vector>

namespace skyvane {

TRotorReadings::TRotorReadings(TReplyJudge judge) : judge_(std::move(judge)) {}

void TRotorReadings::StartTracking() {
    tracking_ = true;
    periodsUnanswered_ = 0;
    latest_.reset();
    assembler_.Reset();
}

void TRotorReadings::StopTracking() {
    tracking_ = false;
    assembler_.DropPending();
}

void TRotorReadings::PollTick() {
    if (!tracking_) return;
    if (std::optional<std::string> reply = assembler_.QueryDue()) Judge(std::move(*reply));
    // Each query gets a whole period to be answered: the check comes before this
    // tick's query counts.
    if (periodsUnanswered_ >= StalePeriods) SetStale(true);
    if (periodsUnanswered_ < StalePeriods) ++periodsUnanswered_;
}

void TRotorReadings::Received(std::string_view bytes) {
    std::vector<std::string> replies;
    assembler_.Feed(bytes, replies);
    for (std::string& reply : replies) Judge(std::move(reply));
}

void TRotorReadings::LineQuiet() {
    if (std::optional<std::string> reply = assembler_.TakeAtQuiet()) Judge(std::move(*reply));
}

std::optional<AzimuthReading> TRotorReadings::LatestLiveReading() const {
    if (!tracking_ || stale_) return std::nullopt;
    return latest_;
}

void TRotorReadings::Judge(std::string reply) {
    std::optional<AzimuthReading> reading = judge_(std::move(reply));
    if (!reading) return;
    periodsUnanswered_ = 0;
    latest_ = *reading;
    if (onReading_) onReading_(*reading);
    SetStale(false);
}

void TRotorReadings::SetStale(bool stale) {
    if (stale_ == stale) return;
    stale_ = stale;
    if (onStaleChange_) onStaleChange_(stale);
}

}  // namespace skyvane
