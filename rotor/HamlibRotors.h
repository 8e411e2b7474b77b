// SPDX-License-Identifier: GPL-3.0-or-later
// What Hamlib knows of rotor models, from the library's own tables: the list of models
// with their numbers and names, how each is reached, and its turning range; and where
// Hamlib's debug output goes. Table look-ups only: nothing here opens a device.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rotor/Direction.h"

namespace skyvane {

// Hamlib's model numbers that Skyvane itself refers to.
inline constexpr int HamlibDummyModel = 1;    // a rotor that exists only in the library
inline constexpr int HamlibNetworkModel = 2;  // a rotctld reached over the network

// How a model is reached.
enum class THamlibPort { Serial, Network, Other };

// One rotor model as Hamlib lists it.
struct THamlibModel {
    int number = 0;     // Hamlib's model number
    std::string maker;  // as the library names it
    std::string name;
    THamlibPort port = THamlibPort::Other;
    TAzimuthRange range;   // from its capabilities (see TurningRangeOf)
    bool canPark = false;  // has a park command of its own
    int defaultSpeed = 0;  // serial models: the highest speed it supports; else 0
    int lowestSpeed = 0;   // serial models: the lowest speed; else 0
};

// Every rotor model the library knows, by model number.
std::vector<THamlibModel> HamlibModels();

// The model with this number; nothing when the library does not know it.
std::optional<THamlibModel> HamlibModel(int number);

// "Hamlib model 603 (<maker> <name>)", with the names the library gives at run time.
std::string HamlibModelText(int number);

// Hamlib's own text (rigerror) for one of its error codes, negative or positive.
std::string HamlibErrorText(int code);

// Why Hamlib cannot be used, such as "Hamlib could not be loaded: <the system's
// reason>"; empty when it can. The library is loaded on first need, not at start.
std::string HamlibUnavailableText();

// Sends Hamlib's debug output (its errors and warnings), line by line, to `line`
// (called on whatever thread the library writes from); nothing: Hamlib stays silent.
// Does not load the library: the route applies from whenever it is loaded.
void RouteHamlibDebug(std::function<void(const std::string& line)> line);

}  // namespace skyvane
