// SPDX-License-Identifier: GPL-3.0-or-later
// Base exception of the program and the toolkit's standard errors.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace skyvane {

// Base of every exception the program raises; carries the message shown to the user.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    // The message text, as shown by the standard exception report.
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Raised when a settings object is assigned from an object of another class.
class EAssignError : public Exception {
public:
    // Message "Cannot assign a <source> to a <target>".
    EAssignError(std::string_view sourceClass, std::string_view targetClass);
};

// Text of the standard exception report: the message with "." appended when its
// last character sorts after "." (so "failed" gains a full stop, "code: 2)" does not).
std::string ExceptionReportText(std::string_view message);

// The message of any exception: Exception::Message, std::exception::what, or a fixed
// text for foreign objects.
std::string ExceptionMessage(const std::exception_ptr& error);

}  // namespace skyvane
