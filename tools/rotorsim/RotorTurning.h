// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's turning: the steering commands it finds among the received bytes and
// the motion of a rotor that turns toward a target at a steady rate.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skyvane::rotorsim {

// The steering commands of the protocol family: "AP1nnn;" sets the target, "AM1;"
// starts the turn, a lone ";" stops; Unknown is any other command but the query and
// a malformed target.
struct TSteeringCommand {
    enum Kind { SetTarget, Move, Stop, Unknown } kind;
    int target = 0;  // SetTarget: degrees, 0..360
};

// Finds steering commands in a byte stream that may split them over several reads. The
// bytes between two ";" form one command; the heading query is left alone, anything
// else unknown is reported as Unknown, and a target outside 0..360 is ignored.
class TSteeringScanner {
public:
    // Takes the next received bytes; returns the commands they complete, in order.
    std::vector<TSteeringCommand> Feed(std::string_view bytes);

private:
    std::string command_;  // bytes since the last ";" (kept short)
    bool overflow_ = false;
};

// A rotor that turns toward its target at `rate` degrees a second along 0..360 (it
// never crosses north, as a rotor with its end stop there cannot), and holds still
// when it arrives or is stopped. Times are seconds on any steady clock.
class TRotorMotion {
public:
    explicit TRotorMotion(double rate) : rate_(rate) {}

    // True once a turn has been started: from then on the motion, not the fixed heading
    // or the sweep, says where the rotor points.
    bool Engaged() const { return engaged_; }
    // The heading at `time`, in degrees.
    double HeadingAt(double time) const;
    // Keeps `target` for the next Move; a turn under way goes on to its old target.
    void SetTarget(int target) { pendingTarget_ = target; }
    // Starts turning from `heading` (where the rotor points at `time`) toward the target.
    void Move(double heading, double time);
    // Holds the rotor where it is at `time`.
    void Stop(double time);

private:
    double rate_;
    bool engaged_ = false;
    int pendingTarget_ = -1;  // -1: none set yet
    double start_ = 0;        // heading when the current turn began or the rotor stopped
    double startTime_ = 0;
    double target_ = 0;
    bool moving_ = false;
};

}  // namespace skyvane::rotorsim
