// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Exception.h"

namespace skyvane {

EAssignError::EAssignError(std::string_view sourceClass, std::string_view targetClass)
    : Exception("Cannot assign a " + std::string(sourceClass) + " to a " + std::string(targetClass)) {}

std::string ExceptionReportText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

std::string ExceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

}  // namespace skyvane
