// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/HamlibRotors.h"

#include <algorithm>

#include "rotor/HamlibLibrary_p.h"

namespace skyvane {
namespace {

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

}  // namespace

std::vector<THamlibModel> HamlibModels() {
    std::vector<THamlibModel> models;
    const THamlibApi* hamlib = Hamlib();
    if (!hamlib) return models;
    hamlib->rot_list_foreach(Collect, &models);
    std::sort(models.begin(), models.end(),
              [](const THamlibModel& a, const THamlibModel& b) { return a.number < b.number; });
    return models;
}

std::optional<THamlibModel> HamlibModel(int number) {
    const THamlibApi* hamlib = number > 0 ? Hamlib() : nullptr;
    if (!hamlib) return std::nullopt;
    const rot_caps* caps = hamlib->rot_get_caps(static_cast<rot_model_t>(number));
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
    const THamlibApi* hamlib = Hamlib();
    if (!hamlib) return HamlibUnavailableText();
    // The library puts its last debug message before the error's own text: the last
    // line is the text.
    std::string text = hamlib->rigerror(code < 0 ? code : -code) ?: "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t start = text.find_last_of("\r\n");
    if (start != std::string::npos) text.erase(0, start + 1);
    return text.empty() ? "Hamlib error " + std::to_string(code) : text;
}

}  // namespace skyvane
