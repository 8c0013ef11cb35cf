#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dialup/ConnectionStatus.h"

namespace veltro {

// What is recorded of one active connection, so that any process of the user can find
// it, follow it and end it. The handle is the dialer's process id; the start times tell
// a process from a later one that got the same id.
struct ConnectionRecord {
    ConnectionHandle handle = 0;
    std::uint64_t processStart = 0;
    std::int64_t ownerPid = 0;  // the process that dialled
    std::uint64_t ownerStart = 0;
    std::string entryName;
    std::string deviceType;
    std::string deviceName;
    std::string logPath;      // the dialer's output
    std::string optionsPath;  // options file handed to the dialer, removed with the record
};

// The records of active connections: one file "<handle>.conn" per connection in a
// folder of the user's runtime directory.
class ConnectionRegistry {
public:
    explicit ConnectionRegistry(std::string dir);

    bool Add(const ConnectionRecord& record);
    std::optional<ConnectionRecord> Find(ConnectionHandle handle) const;
    std::vector<ConnectionRecord> List() const;
    // Removes the record with its log and options file (those only when they are the
    // dial's files in this folder).
    void Remove(const ConnectionRecord& record);
    // True when path names a dial's file ("dial-...") directly in this folder.
    bool Inside(const std::string& path) const;

    // The start time of a process (clock ticks since boot), if it exists and has not
    // ended; a process that has ended but is not yet reaped has ended.
    static std::optional<std::uint64_t> ProcessStart(pid_t pid, bool countEnded = false);
    static bool IsRunning(ConnectionHandle pid, std::uint64_t start);

private:
    std::string PathOf(ConnectionHandle handle) const;

    std::string dir_;
};

}  // namespace veltro
