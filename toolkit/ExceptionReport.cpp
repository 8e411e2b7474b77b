// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ExceptionReport.h"

#include <cstdio>
#include <mutex>

#include "toolkit/Exception.h"

namespace skyvane {

namespace {
std::mutex reporterMutex;
ExceptionReporter& Reporter() {
    static ExceptionReporter reporter;
    return reporter;
}
}  // namespace

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter) {
    std::lock_guard lock(reporterMutex);
    std::swap(Reporter(), reporter);
    return reporter;
}

void ReportException(const std::exception_ptr& error) noexcept {
    try {
        const std::string text = ExceptionReportText(ExceptionMessage(error));
        ExceptionReporter reporter;
        {
            std::lock_guard lock(reporterMutex);
            reporter = Reporter();
        }
        if (reporter)
            reporter(text);
        else
            std::fprintf(stderr, "%s\n", text.c_str());
    } catch (...) {
        std::fprintf(stderr, "Exception while reporting an exception\n");
    }
}

}  // namespace skyvane
