// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ExceptionReport.h"

#include <gtest/gtest.h>

#include "toolkit/Exception.h"

namespace skyvane {
namespace {

TEST(ExceptionReport, FullStopRule) {
    struct Case {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Unable to open com port", "Unable to open com port."},
        {"Unable to open com port (win error code: 2)", "Unable to open com port (win error code: 2)"},
        {"Done.", "Done."},
        {"ends in slash/", "ends in slash/."},  // '/' sorts after '.'
        {"ends in comma,", "ends in comma,"},   // ',' sorts before '.'
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ExceptionReportText(c.message), c.shown) << c.message;
}

TEST(ExceptionReport, GuardedHandsEscapingExceptionToReporter) {
    std::vector<std::string> shown;
    auto previous = SetExceptionReporter([&](const std::string& t) { shown.push_back(t); });
    Guarded([] { throw Exception("SetCommState function failed"); });
    Guarded([] { throw std::runtime_error("plain"); });
    Guarded([] { throw 42; });
    Guarded([] {});
    SetExceptionReporter(previous);
    EXPECT_EQ(shown, (std::vector<std::string>{"SetCommState function failed.", "plain.",
                                               "Unknown exception."}));
}

TEST(ExceptionReport, AssignErrorText) {
    EXPECT_EQ(EAssignError("TSerialParity", "TSerialTimeouts").Message(),
              "Cannot assign a TSerialParity to a TSerialTimeouts");
}

}  // namespace
}  // namespace skyvane
