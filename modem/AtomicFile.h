#pragma once

#include <sys/types.h>

#include <cstddef>

#include <string>
#include <string_view>

namespace veltro {

// Writes whole files so that a crash or a full disk never leaves a cut file: the bytes
// go to a temporary file in the same folder, which is flushed and then renamed over
// the target. On failure the old file stays as it was. A writer killed in the middle
// leaves its temporary file; the next successful write of the same file removes it.
//
// A replaced file keeps its mode. A new file gets newFileMode less the umask, so files
// that hold the user's messages and contacts pass kPrivate.
class AtomicFile {
public:
    static constexpr mode_t kShared = 0644;
    static constexpr mode_t kPrivate = 0600;

    static bool Write(const std::string& path, std::string_view bytes,
                      mode_t newFileMode = kShared);

    // Keeps this process from replacing path (a file it could not read, or one another
    // process owns for now) until holder releases it: a write of the same bytes as
    // held counts as done, any other fails and leaves the file alone.
    static void Hold(const void* holder, const std::string& path, std::string bytes);
    static void Release(const void* holder);

    // The system calls a write makes, in the order that makes it durable: write the
    // temporary file, fsync it, close it, rename it over the target, fsync the folder.
    // Tests put their own in to see that order; a kill cannot show a missing fsync.
    struct Calls {
        int (*open)(const char* path, int flags, mode_t mode);
        ssize_t (*write)(int fd, const void* bytes, std::size_t size);
        int (*fsync)(int fd);
        int (*close)(int fd);
        int (*rename)(const char* from, const char* to);
    };
    static const Calls kSystemCalls;
    // Makes every write use calls until the next call; nullptr restores the system's.
    static void UseCalls(const Calls* calls);
};

}  // namespace veltro
