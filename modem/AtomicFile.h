#pragma once

#include <string>
#include <string_view>

namespace veltro {

// Writes whole files so that a crash or a full disk never leaves a cut file: the bytes
// go to a temporary file in the same folder, which is flushed and then renamed over
// the target. On failure the old file stays as it was.
class AtomicFile {
public:
    static bool Write(const std::string& path, std::string_view bytes);
};

}  // namespace veltro
