// SPDX-License-Identifier: GPL-3.0-or-later
// Times the registry store: single writes (each one flushed to disk), reads from a
// large malformed store file, and a port storing and loading all 29 settings.
//
//   registry_bench [size of the malformed file in MB, default 8]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "platform/registry_store.h"
#include "serial/SerialPort.h"
#include "toolkit/Registry.h"

namespace {

using skyvane::bench::Clock;
using skyvane::bench::MedianMs;

}  // namespace

int main(int argc, char** argv) {
    using namespace skyvane;
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    std::string folder = (std::filesystem::temp_directory_path() / "skyvane-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 1;

    TRegistryStore small(folder + "/small");
    small.OpenKey("Software\\Skyvane\\SerialPort", true);
    std::int32_t n = 0;
    std::printf("one integer write, small store:   %8.2f ms\n",
                MedianMs(21, [&] { small.WriteInteger("Counter", ++n); }));
    std::printf("one integer read, small store:    %8.3f ms\n",
                MedianMs(21, [&] { (void)small.ReadInteger("Counter"); }));

    const std::string junkFile = folder + "/junk";
    {
        std::ofstream out(junkFile, std::ios::binary);
        const std::string piece = "[Key%zz]\nbroken=s:%4\nNoType=plain\n\x01\xfe garbage\r\n";
        for (std::size_t written = 0; written < (megabytes << 20); written += piece.size())
            out << piece;
        out << "[Key]\nValue=d:42\n";
    }
    TRegistryStore junk(junkFile);
    std::printf("open key at the end of %zu MB junk: %8.1f ms\n", megabytes,
                MedianMs(5, [&] { junk.OpenKey("\\Key", false); }));
    std::printf("read value after %zu MB junk:       %8.1f ms\n", megabytes,
                MedianMs(5, [&] { (void)junk.ReadInteger("Value"); }));

    TRegistry registry(folder + "/port");
    registry.OpenKey("Port", true);
    TSerialPort port(nullptr);
    port.SetStoredGroups({sgBasic, sgFlowControl, sgBuffer, sgTimeouts, sgParity, sgOthers});
    std::printf("StoreToRegistry, 29 keys:         %8.1f ms\n",
                MedianMs(5, [&] { port.StoreToRegistry(registry); }));
    std::printf("LoadFromRegistry, 29 keys:        %8.2f ms\n",
                MedianMs(5, [&] { port.LoadFromRegistry(registry); }));

    std::filesystem::remove_all(folder);
    return 0;
}
