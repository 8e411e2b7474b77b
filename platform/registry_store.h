// SPDX-License-Identifier: GPL-3.0-or-later
// The registry store: a small typed store of the program's own, with text and signed
// 32-bit integer values under keys, kept in one file under the user's configuration
// folder.
//
// Keys are paths of names separated by "\" ("Software\Skyvane\SerialPort"); key and
// value names match regardless of ASCII letter case. The file is text: one "[key]"
// line per key followed by its values as "name=s:text" or "name=d:number"; bytes that
// would break a line apart are written as "%" and two hexadecimal digits. Lines the
// store does not understand are kept as they are. Every write reads the file afresh,
// changes the one value and replaces the file atomically (temporary file, flush,
// rename), so a crash or a full disk never leaves a half-written store, and two store
// objects on one file never undo each other's writes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skyvane {

// An error of the registry layer; what() is the message.
class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Failed to set data for '<name>'": a write the store refused.
ERegistryError RegistrySetDataError(std::string_view name);
// "Failed to get data for '<name>'": an integer value that does not exist.
ERegistryError RegistryGetDataError(std::string_view name);
// "Invalid data type for '<name>'": a value of the other type than the one asked for.
ERegistryError RegistryDataTypeError(std::string_view name);

// What a value holds.
enum class TRegDataType { rdUnknown, rdString, rdInteger };

// The store's file: "skyvane/registry" under $XDG_CONFIG_HOME when that is an absolute
// path, else under ~/.config (the home folder from $HOME, else the password database).
// Empty when no home folder can be found.
std::string DefaultRegistryFileName();

// One view onto the store file, positioned at a current key (at first the root key "").
class TRegistryStore {
public:
    // A store kept in `fileName`; nothing is read or written yet.
    explicit TRegistryStore(std::string fileName = DefaultRegistryFileName());

    // The file the values live in.
    const std::string& FileName() const { return fileName_; }
    // The current key's path, "" for the root.
    const std::string& CurrentPath() const { return currentPath_; }

    // Makes `key` the current key: relative to the current key, or from the root when it
    // starts with "\". A missing key is created when `canCreate`. Returns false, keeping
    // the current key, when the key does not exist and cannot or may not be created.
    bool OpenKey(std::string_view key, bool canCreate);
    // Makes the root key current again.
    void CloseKey() { currentPath_.clear(); }
    // True when `key` (as OpenKey takes it) or a key below it exists.
    bool KeyExists(std::string_view key) const;

    // True when the current key holds a value `name`.
    bool ValueExists(std::string_view name) const;
    // The type of value `name`, rdUnknown when there is none.
    TRegDataType GetDataType(std::string_view name) const;
    // The names of the current key's values, in the order they are stored.
    std::vector<std::string> GetValueNames() const;

    // The text value `name`: "" when it does not exist; RegistryDataTypeError when it
    // holds an integer.
    std::string ReadString(std::string_view name) const;
    // The integer value `name`: RegistryGetDataError when it does not exist,
    // RegistryDataTypeError when it holds text.
    std::int32_t ReadInteger(std::string_view name) const;
    // Sets `name` to a text (any bytes, zero bytes included); replaces a value of either
    // type. RegistrySetDataError when the file cannot be written; it stays as it was.
    void WriteString(std::string_view name, std::string_view value);
    // Sets `name` to an integer, as WriteString does.
    void WriteInteger(std::string_view name, std::int32_t value);
    // Removes value `name`; false when there was none or the file cannot be written.
    bool DeleteValue(std::string_view name);

private:
    std::string PathOf(std::string_view key) const;

    std::string fileName_;
    std::string currentPath_;
};

}  // namespace skyvane
