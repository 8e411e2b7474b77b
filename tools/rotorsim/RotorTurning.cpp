// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/rotorsim/RotorTurning.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace skyvane::rotorsim {
namespace {

// Longer commands than this are not steering commands; their bytes are not kept.
constexpr std::size_t MaxCommandLength = 16;

bool IsLineByte(char c) {
    return c == '\r' || c == '\n' || c == ' ';
}

}  // namespace

std::vector<TSteeringCommand> TSteeringScanner::Feed(std::string_view bytes) {
    std::vector<TSteeringCommand> commands;
    for (char c : bytes) {
        if (c != ';') {
            if (IsLineByte(c)) continue;
            if (command_.size() < MaxCommandLength)
                command_.push_back(c);
            else
                overflow_ = true;
            continue;
        }
        if (!overflow_) {
            const std::string& cmd = command_;
            if (cmd.empty()) {
                commands.push_back({TSteeringCommand::Stop});
            } else if (cmd == "AM1") {
                commands.push_back({TSteeringCommand::Move});
            } else if (cmd.size() == 6 && cmd.starts_with("AP1") &&
                       std::isdigit(static_cast<unsigned char>(cmd[3])) &&
                       std::isdigit(static_cast<unsigned char>(cmd[4])) &&
                       std::isdigit(static_cast<unsigned char>(cmd[5]))) {
                const int target = std::stoi(cmd.substr(3));
                if (target <= 360) commands.push_back({TSteeringCommand::SetTarget, target});
            } else if (cmd != "AI1" && !cmd.starts_with("AP1")) {
                commands.push_back({TSteeringCommand::Unknown});
            }
        }
        command_.clear();
        overflow_ = false;
    }
    return commands;
}

double TRotorMotion::HeadingAt(double time) const {
    if (!moving_) return start_;
    const double travelled = rate_ * std::max(0.0, time - startTime_);
    const double distance = std::fabs(target_ - start_);
    if (travelled >= distance) return target_;
    return start_ + (target_ > start_ ? travelled : -travelled);
}

void TRotorMotion::Move(double heading, double time) {
    if (pendingTarget_ < 0) return;
    engaged_ = true;
    start_ = heading;
    startTime_ = time;
    target_ = pendingTarget_;
    moving_ = true;
}

void TRotorMotion::Stop(double time) {
    if (!engaged_) return;
    start_ = HeadingAt(time);
    moving_ = false;
}

}  // namespace skyvane::rotorsim
