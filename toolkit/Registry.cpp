// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Registry.h"

namespace skyvane {

namespace {
// Runs a store operation; its error comes out as the program's exception, same text.
template <class Call>
auto Translated(Call&& call) -> decltype(call()) {
    try {
        return call();
    } catch (const ERegistryError& e) {
        throw ERegistryException(e.what());
    }
}
}  // namespace

std::string TRegistry::ReadString(std::string_view name) const {
    return Translated([&] { return store_.ReadString(name); });
}

std::int32_t TRegistry::ReadInteger(std::string_view name) const {
    return Translated([&] { return store_.ReadInteger(name); });
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
    Translated([&] { store_.WriteString(name, value); });
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
    Translated([&] { store_.WriteInteger(name, value); });
}

}  // namespace skyvane
