// SPDX-License-Identifier: GPL-3.0-or-later
// The registry store's reader on arbitrary file content: every key path named in
// the input is opened, its values listed and read by type, then one value written.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "platform/registry_store.h"

using namespace skyvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzz::ScratchFile("registry");
    fuzz::WriteScratch(path, data, size);
    const std::string_view content(reinterpret_cast<const char*>(data), size);

    TRegistryStore store(path);
    // Key paths: whatever stands between "[" and "]" on a line, plus the usual one.
    std::string keys[4] = {"\\Software\\Skyvane\\SerialPort"};
    int count = 1;
    for (std::size_t at = content.find('['); at != std::string_view::npos && count < 4;
         at = content.find('[', at + 1)) {
        const std::size_t end = content.find(']', at);
        if (end == std::string_view::npos) break;
        keys[count++] = "\\" + std::string(content.substr(at + 1, end - at - 1));
    }
    for (int i = 0; i < count; ++i) {
        (void)store.KeyExists(keys[i]);
        if (!store.OpenKey(keys[i], false)) continue;
        for (const std::string& name : store.GetValueNames()) {
            try {
                switch (store.GetDataType(name)) {
                    case TRegDataType::rdString: (void)store.ReadString(name); break;
                    case TRegDataType::rdInteger: (void)store.ReadInteger(name); break;
                    case TRegDataType::rdUnknown: std::abort();  // listed, so it exists
                }
            } catch (const ERegistryError&) {
                std::abort();  // the type was just asked for
            }
        }
        store.CloseKey();
    }
    // A write after the read keeps the file readable and holds the new value.
    try {
        if (store.OpenKey(keys[count - 1], true)) {
            store.WriteString("Fuzz", "a\r\nb%");
            if (store.ReadString("Fuzz") != "a\r\nb%") std::abort();
        }
    } catch (const ERegistryError&) {
        // A refused write is reported; nothing to check.
    }
    return 0;
}
