#pragma once

#include <chrono>
#include <string>

namespace veltro {

// Reports files created in one folder (inotify), so that a trial can act the moment a
// save's temporary file appears. Waiting blocks in poll; it never spins.
class FileCreations {
public:
    FileCreations() = default;
    ~FileCreations();
    FileCreations(const FileCreations&) = delete;
    FileCreations& operator=(const FileCreations&) = delete;

    bool Watch(const std::string& folder);
    // Drops the creations seen so far.
    void Forget();
    // Waits for the count-th creation of a file whose name begins with prefix, counted
    // from the last Forget. False when the deadline passed first.
    bool WaitForCreated(const std::string& prefix, int count,
                        std::chrono::steady_clock::time_point deadline);

private:
    int fd_ = -1;
};

}  // namespace veltro
