// SPDX-License-Identifier: GPL-3.0-or-later
// A rotor for the server's tests: a settable live heading and a record of requests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "rotor/RotorAccess.h"

namespace skyvane::test {

class FakeRotorAccess : public TRotorAccess {
public:
    std::optional<int> LiveHeading() const override { return heading; }
    bool RequestTurn(int degrees) override {
        if (!reachable) return false;
        requests.push_back("turn " + std::to_string(degrees));
        return true;
    }
    bool RequestStop() override {
        if (!reachable) return false;
        requests.push_back("stop");
        return true;
    }

    std::optional<int> heading;
    bool reachable = true;
    std::vector<std::string> requests;
};

}  // namespace skyvane::test
