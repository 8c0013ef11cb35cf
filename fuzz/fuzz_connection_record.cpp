// A connection record in the runtime folder, as any process of the user reads it to
// find, follow and end a connection. The input is the record file's text.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "dialup/ConnectionRegistry.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/fuzz-conn-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        return pattern;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr veltro::ConnectionHandle kHandle = 4242;
    const std::string path = Folder() + "/4242.conn";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const veltro::ConnectionRegistry registry(Folder());
    const auto record = registry.Find(kHandle);
    if (record) {
        FUZZ_CHECK(record->handle == kHandle);
    }
    const auto all = registry.List();
    FUZZ_CHECK(all.size() == (record ? 1u : 0u));
    return 0;
}
