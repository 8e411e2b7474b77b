// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLibrary>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <mutex>

#include "rotor/HamlibLibrary_p.h"
#include "rotor/HamlibRotors.h"

namespace skyvane {
namespace {

// The name of the library as the system's loader finds it.
#ifdef _WIN32
constexpr const char* LibraryName = "libhamlib-4";
constexpr int LibraryVersion = -1;
#else
constexpr const char* LibraryName = "hamlib";
constexpr int LibraryVersion = 4;
#endif

std::once_flag loadOnce;
THamlibApi api;
std::atomic<const THamlibApi*> loaded{nullptr};
std::string problem;  // written once, within loadOnce

// Where the library's debug output goes. The route may be set before the library is
// loaded; the loader applies it. routeMutex orders setting and applying the route
// against the loading; debugMutex guards the text only, for the library's callback.
std::mutex routeMutex;
std::mutex debugMutex;
std::function<void(const std::string&)> debugLine;
std::string debugPending;

int DebugCallback(enum rig_debug_level_e, rig_ptr_t, const char* format, va_list args) {
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    const std::lock_guard<std::mutex> lock(debugMutex);
    debugPending += text;
    // Hamlib writes a line in several calls: only whole lines go on.
    for (std::size_t end; (end = debugPending.find('\n')) != std::string::npos;) {
        std::string line = debugPending.substr(0, end);
        debugPending.erase(0, end + 1);
        if (debugLine && !line.empty()) debugLine("Hamlib: " + line);
    }
    if (debugPending.size() > 4096) debugPending.clear();
    return 0;
}

// Under routeMutex.
void ApplyDebugRoute(const THamlibApi& hamlib) {
    bool on = false;
    {
        const std::lock_guard<std::mutex> lock(debugMutex);
        on = static_cast<bool>(debugLine);
    }
    hamlib.rig_set_debug_callback(on ? DebugCallback : nullptr, nullptr);
    // Errors and warnings: what tells why a rotor fails, not every byte of every poll.
    hamlib.rig_set_debug(on ? RIG_DEBUG_WARN : RIG_DEBUG_NONE);
}

template <typename Function>
bool Resolve(QLibrary& library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(library.resolve(name));
    if (!function && problem.empty())
        problem = "Hamlib (" + library.fileName().toStdString() + ") has no function " + name;
    return function != nullptr;
}

void Load() {
    // Kept loaded for the rest of the run: the library's threads and tables stay in use.
    static QLibrary library;
    if (LibraryVersion >= 0)
        library.setFileNameAndVersion(LibraryName, LibraryVersion);
    else
        library.setFileName(LibraryName);
    if (!library.load()) {
        problem = "Hamlib could not be loaded: " + library.errorString().toStdString();
        return;
    }
    bool all = true;
#define SKYVANE_RESOLVE(name) all = Resolve(library, #name, api.name) && all
    SKYVANE_RESOLVE(rot_init);
    SKYVANE_RESOLVE(rot_open);
    SKYVANE_RESOLVE(rot_close);
    SKYVANE_RESOLVE(rot_cleanup);
    SKYVANE_RESOLVE(rot_token_lookup);
    SKYVANE_RESOLVE(rot_set_conf);
    SKYVANE_RESOLVE(rot_get_position);
    SKYVANE_RESOLVE(rot_set_position);
    SKYVANE_RESOLVE(rot_stop);
    SKYVANE_RESOLVE(rot_park);
    SKYVANE_RESOLVE(rot_get_caps);
    SKYVANE_RESOLVE(rot_list_foreach);
    SKYVANE_RESOLVE(rot_load_all_backends);
    SKYVANE_RESOLVE(rigerror);
    SKYVANE_RESOLVE(rig_set_debug);
    SKYVANE_RESOLVE(rig_set_debug_callback);
#undef SKYVANE_RESOLVE
    if (!all) return;
    // Hamlib prints to standard error until told otherwise.
    api.rig_set_debug(RIG_DEBUG_NONE);
    api.rot_load_all_backends();
    const std::lock_guard<std::mutex> lock(routeMutex);
    ApplyDebugRoute(api);
    loaded.store(&api, std::memory_order_release);
}

}  // namespace

const THamlibApi* Hamlib() {
    std::call_once(loadOnce, Load);
    return loaded.load(std::memory_order_acquire);
}

const THamlibApi* HamlibIfLoaded() {
    return loaded.load(std::memory_order_acquire);
}

std::string HamlibUnavailableText() {
    // Written within loadOnce, so complete once Hamlib() has returned.
    return Hamlib() ? std::string() : problem;
}

void RouteHamlibDebug(std::function<void(const std::string& line)> line) {
    const std::lock_guard<std::mutex> lock(routeMutex);
    {
        const std::lock_guard<std::mutex> text(debugMutex);
        debugLine = std::move(line);
        debugPending.clear();
    }
    // Not loaded yet: the loader applies the route.
    if (const THamlibApi* hamlib = HamlibIfLoaded()) ApplyDebugRoute(*hamlib);
}

}  // namespace skyvane
