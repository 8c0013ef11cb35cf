#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace veltro {

// A file that the program reads and later replaces as a whole: the data files, the
// part store, the dial-up phonebook, the device table. Only a file that does not exist
// counts as empty. Any other failure to read it (permission, I/O error, not a regular
// file, another owner) is kept apart, so that the caller leaves the file alone instead
// of replacing what it never read: a file of another owner, even a readable one, would
// change hands with the first write.
struct StoredFile {
    enum class State { kRead, kMissing, kFailed };

    State state = State::kMissing;
    std::string bytes;
    // For kFailed: what went wrong, in a few English words.
    std::string why;

    // Reads the file whole; one larger than maxBytes fails.
    static StoredFile Read(const std::string& path, std::size_t maxBytes = kMaxBytes);

    // Renames a damaged file to "<path>.damaged-YYYYMMDD-HHMM" (local time at now; a
    // "-2", "-3"... follows when that name is taken), so that the next write does not
    // replace it. The new path, or empty when the rename failed.
    static std::string MoveAside(const std::string& path, std::time_t now);

    static constexpr std::size_t kMaxBytes = std::size_t{1} << 30;
};

}  // namespace veltro
