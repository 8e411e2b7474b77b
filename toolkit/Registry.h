// SPDX-License-Identifier: GPL-3.0-or-later
// The registry object that components store their settings through: the platform's
// registry store with its errors raised as the program's exceptions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "toolkit/Exception.h"

namespace skyvane {

// An error of the registry layer: "Failed to set data for '%s'", "Failed to get data
// for '%s'" or "Invalid data type for '%s'" with the value name.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// One view onto a registry store, positioned at a current key (see TRegistryStore).
class TRegistry {
public:
    // A registry kept in `fileName`; the user's own store by default.
    explicit TRegistry(std::string fileName = DefaultRegistryFileName())
        : store_(std::move(fileName)) {}

    // The file the values live in.
    const std::string& FileName() const { return store_.FileName(); }
    // The current key's path, "" for the root.
    const std::string& CurrentPath() const { return store_.CurrentPath(); }
    // Makes `key` current (created when `canCreate`); false when it cannot.
    bool OpenKey(std::string_view key, bool canCreate) { return store_.OpenKey(key, canCreate); }
    // Makes the root key current again.
    void CloseKey() { store_.CloseKey(); }
    // True when the current key holds a value `name`.
    bool ValueExists(std::string_view name) const { return store_.ValueExists(name); }
    // The type of value `name`, rdUnknown when there is none.
    TRegDataType GetDataType(std::string_view name) const { return store_.GetDataType(name); }
    // The current key's value names in stored order.
    std::vector<std::string> GetValueNames() const { return store_.GetValueNames(); }

    // Text value `name`, "" when missing; ERegistryException when it holds an integer.
    std::string ReadString(std::string_view name) const;
    // Integer value `name`; ERegistryException when missing or holding text.
    std::int32_t ReadInteger(std::string_view name) const;
    // Sets a text value; ERegistryException when the store refuses the write.
    void WriteString(std::string_view name, std::string_view value);
    // Sets an integer value; ERegistryException when the store refuses the write.
    void WriteInteger(std::string_view name, std::int32_t value);
    // Removes value `name`; false when there was none or it cannot be removed.
    bool DeleteValue(std::string_view name) { return store_.DeleteValue(name); }

private:
    TRegistryStore store_;
};

}  // namespace skyvane
