#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "modem/AtomicFile.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

// The calls a write makes, each with what it was made on ("file" for the temporary
// file, "folder"); the system does the work, unless the call named in failing fails.
std::vector<std::string> log;
std::map<int, std::string> opened;
std::string failing;

// True when the call, now logged, is to fail (with EIO).
bool Fails(const std::string& call, const std::string& on) {
    log.push_back(call + " " + on);
    errno = EIO;
    return log.back() == failing;
}
int Open(const char* path, int flags, mode_t mode) {
    const int fd = ::open(path, flags, mode);
    opened[fd] = (flags & O_DIRECTORY) ? "folder" : "file";
    Fails("open", opened[fd]);
    return fd;
}
ssize_t Write(int fd, const void* bytes, std::size_t size) {
    return Fails("write", opened[fd]) ? -1 : ::write(fd, bytes, size);
}
int Fsync(int fd) {
    return Fails("fsync", opened[fd]) ? -1 : ::fsync(fd);
}
int Close(int fd) {
    Fails("close", opened[fd]);
    return ::close(fd);
}
int Rename(const char* from, const char* to) {
    return Fails("rename", "file") ? -1 : std::rename(from, to);
}
constexpr AtomicFile::Calls kLogged{Open, Write, Fsync, Close, Rename};

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The order is what makes a save durable: no data reaches the new name before it is on
// disk, and the rename is on disk before the write counts as done. A failure at any step
// before the rename keeps the old file and leaves no temporary one.
TEST(AtomicFileOrder, SyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
    const fs::path dir =
        fs::path(testing::TempDir()) / ("atomic-order-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path target = dir / "sms.dat";
    const std::vector<std::string> durable = {"open file",    "write file",  "fsync file",
                                              "close file",   "rename file", "open folder",
                                              "fsync folder", "close folder"};
    AtomicFile::UseCalls(&kLogged);
    for (const std::string step : {"", "write file", "fsync file", "rename file"}) {
        std::ofstream(target) << "old";
        log.clear();
        failing = step;
        const bool written = AtomicFile::Write(target.string(), "new");
        EXPECT_EQ(step.empty(), written) << step;
        EXPECT_EQ(step.empty() ? "new" : "old", Contents(target)) << step;
        EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), {})) << step;
        if (step.empty()) {
            EXPECT_EQ(durable, log);
        }
    }
    AtomicFile::UseCalls(nullptr);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace veltro
