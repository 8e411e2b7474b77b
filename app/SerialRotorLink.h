// SPDX-License-Identifier: GPL-3.0-or-later
// The built-in rotor link: the "AI1;" line on the program's own serial port. The
// heading query goes out on each poll tick; turns and stops wait for the line between
// a query and its reply (the steering scheduler) and go out as the controller's
// commands.
#pragma once

#include <memory>

#include "app/RotorLine.h"
#include "rotor/RotorLink.h"
#include "rotor/RotorReadings.h"
#include "rotor/SteeringScheduler.h"

namespace skyvane {

class TSerialPort;

class TSerialRotorLink : public TRotorLink {
public:
    // Works on `port`, which outlives it; `trace` gets one line per change of the line.
    TSerialRotorLink(TSerialPort& port, TTraceLine trace);
    ~TSerialRotorLink() override;

    void StartTracking() override;
    void StopTracking() override;
    void PollTick() override;
    bool Open() const override { return line_.Open(); }
    bool Lost() const override { return line_.Lost(); }
    bool Stale() const override { return readings_.Stale(); }
    std::optional<AzimuthReading> LatestLiveReading() const override;
    bool Turn(int azimuth) override { return steering_.RequestTurn(azimuth); }
    bool StopTurning() override { return steering_.RequestStop(); }
    // The controller has no park position of its own: a turn to north.
    bool Park() override { return Turn(0); }
    int Turning() const override { return steering_.Turning(); }

    // The port's received-characters event goes here.
    void Received(int count) { line_.Received(count); }

    // The parts of the line, for tests and benchmarks that look inside.
    TRotorReadings& Readings() { return readings_; }
    TSteeringScheduler& Steering() { return steering_; }

private:
    std::optional<int> LiveDegrees() const;

    TRotorReadings readings_;
    TRotorLine line_;
    TSteeringScheduler steering_;
    bool wasOpen_ = false;
};

}  // namespace skyvane
