// SPDX-License-Identifier: GPL-3.0-or-later
// The standard exception report and the guard around every entry from Qt.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace skyvane {

// Shows one escaped exception to the user. The application installs a message-box
// reporter; without one the report goes to standard error.
using ExceptionReporter = std::function<void(const std::string& reportText)>;

// Replaces the reporter; returns the previous one (for tests).
ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);

// The standard exception report: hands ExceptionReportText(message) to the reporter.
// Never throws.
void ReportException(const std::exception_ptr& error) noexcept;

// Runs `call`; an exception escaping it goes to ReportException instead of unwinding
// into Qt. Every slot, event handler, timer tick and cross-thread call goes through it.
template <class Call>
void Guarded(Call&& call) noexcept {
    try {
        call();
    } catch (...) {
        ReportException(std::current_exception());
    }
}

}  // namespace skyvane
