// SPDX-License-Identifier: GPL-3.0-or-later
// Hamlib's functions, looked up in the library the first time a Hamlib rotor or the
// model list is needed: a program that drives only the built-in line never loads the
// library and its several megabytes of model tables.
#pragma once

#include <hamlib/rotator.h>

#include <string>

namespace skyvane {

// The library's functions that Skyvane calls, with the declared types of the headers.
struct THamlibApi {
    decltype(&::rot_init) rot_init;
    decltype(&::rot_open) rot_open;
    decltype(&::rot_close) rot_close;
    decltype(&::rot_cleanup) rot_cleanup;
    decltype(&::rot_token_lookup) rot_token_lookup;
    decltype(&::rot_set_conf) rot_set_conf;
    decltype(&::rot_get_position) rot_get_position;
    decltype(&::rot_set_position) rot_set_position;
    decltype(&::rot_stop) rot_stop;
    decltype(&::rot_park) rot_park;
    decltype(&::rot_get_caps) rot_get_caps;
    decltype(&::rot_list_foreach) rot_list_foreach;
    decltype(&::rot_load_all_backends) rot_load_all_backends;
    decltype(&::rigerror) rigerror;
    decltype(&::rig_set_debug) rig_set_debug;
    decltype(&::rig_set_debug_callback) rig_set_debug_callback;
};

// The functions, the library loaded (silenced, its backends registered) on the first
// call from any thread; nothing when it cannot be loaded.
const THamlibApi* Hamlib();

// The functions when an earlier call loaded them; never loads the library.
const THamlibApi* HamlibIfLoaded();

}  // namespace skyvane
