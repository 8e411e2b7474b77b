// SPDX-License-Identifier: GPL-3.0-or-later
// skyvane-rotorsim: a rotor controller simulator for trying Skyvane without a rotor.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/rotorsim/RotorSim.h"
#include "tools/rotorsim/RotorSimLoop.h"

int main(int argc, char** argv) {
    using namespace skyvane::rotorsim;
    const char* program = argc > 0 ? argv[0] : "skyvane-rotorsim";
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    TParseResult parsed = ParseRotorSimArgs(args);
    switch (parsed.outcome) {
        case TParseOutcome::Help:
            std::fputs(RotorSimUsage(program).c_str(), stdout);
            return 0;
        case TParseOutcome::Error:
            std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program,
                         parsed.error.c_str(), program);
            return 2;
        case TParseOutcome::Run:
            break;
    }
    return RunRotorSim(parsed.options);
}
