// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/HamlibRotors.h"

#include <hamlib/rotator.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace skyvane {
namespace {

std::once_flag backendsLoaded;

// Hamlib prints to standard error until told otherwise; the first use silences it.
void LoadBackends() {
    std::call_once(backendsLoaded, [] {
        rig_set_debug(RIG_DEBUG_NONE);
        rot_load_all_backends();
    });
}

THamlibModel ModelOf(const rot_caps& caps) {
    THamlibModel model;
    model.number = static_cast<int>(caps.rot_model);
    model.maker = caps.mfg_name ? caps.mfg_name : "";
    model.name = caps.model_name ? caps.model_name : "";
    model.port = caps.port_type == RIG_PORT_SERIAL    ? THamlibPort::Serial
                 : caps.port_type == RIG_PORT_NETWORK ? THamlibPort::Network
                                                      : THamlibPort::Other;
    model.range = TurningRangeOf(caps.min_az, caps.max_az);
    model.canPark = caps.park != nullptr;
    if (model.port == THamlibPort::Serial) {
        model.defaultSpeed = caps.serial_rate_max;
        model.lowestSpeed = caps.serial_rate_min;
    }
    return model;
}

int Collect(const rot_caps* caps, rig_ptr_t data) {
    static_cast<std::vector<THamlibModel>*>(data)->push_back(ModelOf(*caps));
    return 1;  // go on
}

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

}  // namespace

std::vector<THamlibModel> HamlibModels() {
    LoadBackends();
    std::vector<THamlibModel> models;
    rot_list_foreach(Collect, &models);
    std::sort(models.begin(), models.end(),
              [](const THamlibModel& a, const THamlibModel& b) { return a.number < b.number; });
    return models;
}

std::optional<THamlibModel> HamlibModel(int number) {
    if (number <= 0) return std::nullopt;
    LoadBackends();
    const rot_caps* caps = rot_get_caps(static_cast<rot_model_t>(number));
    if (!caps) return std::nullopt;
    return ModelOf(*caps);
}

std::string HamlibModelText(int number) {
    std::string text = "Hamlib model " + std::to_string(number);
    if (const std::optional<THamlibModel> model = HamlibModel(number))
        text += " (" + model->maker + " " + model->name + ")";
    return text;
}

std::string HamlibErrorText(int code) {
    // The library puts its last debug message before the error's own text: the last
    // line is the text.
    std::string text = rigerror(code < 0 ? code : -code) ?: "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t start = text.find_last_of("\r\n");
    if (start != std::string::npos) text.erase(0, start + 1);
    return text.empty() ? "Hamlib error " + std::to_string(code) : text;
}

void RouteHamlibDebug(std::function<void(const std::string& line)> line) {
    LoadBackends();
    const bool on = static_cast<bool>(line);
    {
        const std::lock_guard<std::mutex> lock(debugMutex);
        debugLine = std::move(line);
        debugPending.clear();
    }
    rig_set_debug_callback(on ? DebugCallback : nullptr, nullptr);
    // Errors and warnings: what tells why a rotor fails, not every byte of every poll.
    rig_set_debug(on ? RIG_DEBUG_WARN : RIG_DEBUG_NONE);
}

}  // namespace skyvane
