// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/status_icon.h"

namespace skyvane::platform {

namespace {
StatusIconService* installed = nullptr;
std::string& Title() {
    static std::string title;
    return title;
}
}  // namespace

void SetApplicationTitle(std::string title) {
    Title() = std::move(title);
}

const std::string& ApplicationTitle() {
    return Title();
}

StatusIconService& CurrentStatusIconService() {
    if (installed) return *installed;
    // Lives as long as the process: its Qt objects must never outlive the application
    // object in a static destructor.
    static StatusIconService* const desktop = MakeDesktopStatusIconService().release();
    return *desktop;
}

StatusIconService* SetStatusIconService(StatusIconService* service) {
    StatusIconService* previous = installed;
    installed = service;
    return previous;
}

}  // namespace skyvane::platform
