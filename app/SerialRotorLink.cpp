// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SerialRotorLink.h"

#include "app/Azimuth.h"

namespace skyvane {

TSerialRotorLink::TSerialRotorLink(TSerialPort& port, TTraceLine trace)
    : readings_([](std::string reply) { return ParseRotorReply(std::move(reply)); }),
      line_(port, readings_, std::move(trace)),
      steering_([this] { return LiveDegrees(); }, [this] { return line_.Open(); },
                [this](const std::string& bytes) { return line_.Send(bytes); }) {
    readings_.SetOnReading([this](const AzimuthReading& reading) {
        NotifyReading(reading);
        // The query has its answer: steering that waited may go out now.
        steering_.QueryAnswered();
    });
    readings_.SetOnStaleChange([this](bool stale) { NotifyStaleChange(stale); });
    line_.SetBeforeQuery([this] { steering_.QueryStarting(); });
}

TSerialRotorLink::~TSerialRotorLink() = default;

std::optional<AzimuthReading> TSerialRotorLink::LatestLiveReading() const {
    // A lost line has no live reading, however recent the last one is.
    if (!line_.Open()) return std::nullopt;
    return readings_.LatestLiveReading();
}

std::optional<int> TSerialRotorLink::LiveDegrees() const {
    const std::optional<AzimuthReading> reading = LatestLiveReading();
    return reading ? std::optional<int>(reading->degrees) : std::nullopt;
}

void TSerialRotorLink::StartTracking() {
    line_.Start();
    wasOpen_ = true;
    NotifyLineChange();
}

void TSerialRotorLink::StopTracking() {
    line_.Stop();
    steering_.LineClosed();
    wasOpen_ = false;
    NotifyLineChange();
}

void TSerialRotorLink::PollTick() {
    line_.PollTick();
    if (line_.Open() == wasOpen_) return;
    wasOpen_ = line_.Open();
    if (!wasOpen_) steering_.LineClosed();
    NotifyLineChange();
}

}  // namespace skyvane
