// SPDX-License-Identifier: GPL-3.0-or-later
// Hamlib's own drivers for the "AI1;" family read the simulator's realistic modes:
// model 401 takes exactly ";045", model 404 "045;" or ";045".
#include <gtest/gtest.h>

#include "tests/support/Rotctl.h"
#include "tests/support/RotorSimProcess.h"

namespace {

using namespace skyvane::test;

TEST(RotctlDrivers, ReadTheSimulatorsRealisticModes) {
    if (RotctlProgram().isEmpty()) GTEST_SKIP() << "rotctl (libhamlib-utils) is not installed";
    const struct {
        QStringList model;
        std::vector<std::string> modes;
    } cases[] = {
        {{"-m", "401"}, {"--pad", "--separator-first"}},
        {{"-m", "404", "-s", "4800"}, {"--pad"}},
        {{"-m", "404", "-s", "4800"}, {"--pad", "--separator-first"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.modes;
        args.insert(args.end(), {"--heading", "45"});
        Simulator sim(args);
        const QString line = QString::fromStdString(sim.FirstLine());
        const RotctlRun run = RunRotctlWith(c.model + QStringList{"-r", line, "p"}, 20000, false);
        const std::string what = c.model.join(" ").toStdString() + " " + c.modes.back();
        EXPECT_EQ(run.exitCode, 0) << what;
        EXPECT_EQ(run.output, "45.00\n0.00\n") << what;
    }
}

}  // namespace
