#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "records/DataFolderLock.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

// One holder at a time; the others learn who holds it, and a note that is not a plain
// pid and host is not repeated to the user.
TEST(DataFolderLock, OneHolderAndOthersSayWho) {
    const fs::path dir =
        fs::path(testing::TempDir()) / ("folder-lock-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        DataFolderLock window;
        ASSERT_EQ(DataFolderLock::State::kHeld, window.Take(dir, "veltrogprs"));
        DataFolderLock cli;
        EXPECT_EQ(DataFolderLock::State::kTaken, cli.Take(dir, "veltrogprs-cli"));
        EXPECT_EQ(::getpid(), cli.Pid());
        EXPECT_EQ(0u, cli.Holder().find("pid " + std::to_string(::getpid()) + " on host "));
        EXPECT_NE(std::string::npos, cli.Holder().find("(veltrogprs)"));

        std::ofstream(dir / DataFolderLock::kFileName) << "1 \x1b[2Jhost\n";
        EXPECT_EQ(DataFolderLock::State::kTaken, cli.Take(dir, "veltrogprs-cli"));
        EXPECT_EQ("an unknown process", cli.Holder());
    }
    DataFolderLock after;
    EXPECT_EQ(DataFolderLock::State::kHeld, after.Take(dir, "veltrogprs-cli"));
    EXPECT_EQ(DataFolderLock::State::kUnavailable, DataFolderLock().Take(dir / "none", "x"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace veltro
