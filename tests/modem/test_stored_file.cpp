#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "modem/StoredFile.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

// Only a missing file reads as empty; whatever else cannot be read is a failure that
// says why, so that no caller replaces a file it never read.
TEST(StoredFile, OnlyAMissingFileIsEmpty) {
    const fs::path dir =
        fs::path(testing::TempDir()) / ("stored-file-" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "sms.dat") << "bytes";
    std::ofstream(dir / "locked") << "bytes";
    fs::permissions(dir / "locked", fs::perms::none);
    ::mkfifo((dir / "fifo").c_str(), 0600);
    struct Case {
        const char* name;
        StoredFile::State state;
        const char* why;
    } cases[] = {
        {"sms.dat", StoredFile::State::kRead, ""},
        {"none", StoredFile::State::kMissing, ""},
        {"folder", StoredFile::State::kFailed, "not a regular file"},
        {"fifo", StoredFile::State::kFailed, "not a regular file"},
        // Root reads any file; the mode stops an ordinary user only.
        {"locked", ::geteuid() == 0 ? StoredFile::State::kRead : StoredFile::State::kFailed,
         ::geteuid() == 0 ? "" : "Permission denied"},
    };
    for (const Case& c : cases) {
        const StoredFile file = StoredFile::Read((dir / c.name).string());
        EXPECT_EQ(c.state, file.state) << c.name;
        EXPECT_EQ(c.why, file.why) << c.name;
        EXPECT_EQ(c.state == StoredFile::State::kRead ? "bytes" : "", file.bytes) << c.name;
    }
    EXPECT_EQ(StoredFile::State::kFailed, StoredFile::Read((dir / "sms.dat").string(), 4).state);

    // A damaged file moves aside under a dated name, never over an earlier one.
    const std::time_t now = 1765292000;
    const std::string first = StoredFile::MoveAside((dir / "sms.dat").string(), now);
    std::ofstream(dir / "sms.dat") << "again";
    const std::string second = StoredFile::MoveAside((dir / "sms.dat").string(), now);
    EXPECT_NE(std::string::npos, first.find("sms.dat.damaged-2025")) << first;
    EXPECT_EQ(first + "-2", second);
    EXPECT_FALSE(fs::exists(dir / "sms.dat"));
    EXPECT_EQ("bytes", StoredFile::Read(first).bytes);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace veltro
