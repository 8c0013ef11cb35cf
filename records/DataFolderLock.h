#pragma once

#include <string>

namespace veltro {

// One writer per data folder: an exclusive flock(2) on the file ".veltrogprs.lock" in
// the folder itself, held while this object lives. The window holds it for its whole
// life and the command-line tool while it changes a file, from whatever session or
// runtime folder they run, so neither writes lists over what the other has written.
// The holder puts its process id, host and program name in the file, so that another
// process can say who uses the folder.
class DataFolderLock {
public:
    static constexpr const char* kFileName = ".veltrogprs.lock";

    enum class State {
        kHeld,         // this object holds the lock
        kTaken,        // another process holds it: Holder() says which
        kUnavailable,  // the lock file cannot be opened: Why() says why
    };

    DataFolderLock() = default;
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Takes the folder's lock without waiting; program names the taker for others.
    State Take(const std::string& folder, const std::string& program);
    void Release();

    // After kTaken: "pid 1234 on host pc (veltrogprs)", or "an unknown process" when the
    // holder's note cannot be read.
    const std::string& Holder() const { return holder_; }
    // After kUnavailable: the system's reason.
    const std::string& Why() const { return why_; }
    int Pid() const { return pid_; }
    const std::string& Host() const { return host_; }

private:
    void ReadNote(int fd);

    int fd_ = -1;
    int pid_ = 0;
    std::string host_;
    std::string holder_;
    std::string why_;
};

}  // namespace veltro
