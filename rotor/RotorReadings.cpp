// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotorReadings.h"

#include <utility>
#include <vector>

namespace skyvane {

TRotorReadings::TRotorReadings(TReplyJudge judge) : judge_(std::move(judge)) {}

void TRotorReadings::StartTracking() {
    tracking_ = true;
    periodsUnanswered_ = 0;
    accepted_ = 0;
    latest_.reset();
    assembler_.Reset();
}

void TRotorReadings::StopTracking() {
    tracking_ = false;
    assembler_.DropPending();
}

void TRotorReadings::PollTick() {
    if (!tracking_) return;
    if (std::optional<std::string> reply = assembler_.QueryDue(); reply && Judge(*reply)) Show();
    // Each query gets a whole period to be answered: the check comes before this
    // tick's query counts.
    if (periodsUnanswered_ >= StalePeriods) SetStale(true);
    if (periodsUnanswered_ < StalePeriods) ++periodsUnanswered_;
}

void TRotorReadings::Received(std::string_view bytes) {
    std::vector<std::string> replies;
    assembler_.Feed(bytes, replies);
    bool accepted = false;
    for (std::string& reply : replies) accepted |= Judge(std::move(reply));
    if (accepted) Show();
}

void TRotorReadings::LineQuiet() {
    if (std::optional<std::string> reply = assembler_.LineQuiet(); reply && Judge(*reply)) Show();
}

std::optional<AzimuthReading> TRotorReadings::LatestLiveReading() const {
    if (!tracking_ || stale_) return std::nullopt;
    return latest_;
}

bool TRotorReadings::Judge(std::string reply) {
    std::optional<AzimuthReading> reading = judge_(std::move(reply));
    if (!reading) return false;
    ++accepted_;
    periodsUnanswered_ = 0;
    latest_ = std::move(reading);
    return true;
}

void TRotorReadings::Show() {
    if (onReading_) onReading_(*latest_);
    SetStale(false);
}

void TRotorReadings::SetStale(bool stale) {
    if (stale_ == stale) return;
    stale_ = stale;
    if (onStaleChange_) onStaleChange_(stale);
}

}  // namespace skyvane
