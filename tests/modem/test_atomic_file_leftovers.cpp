#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "EndedProcess.h"
#include "modem/AtomicFile.h"

namespace fs = std::filesystem;

namespace veltro {
namespace {

using test::EndedProcess;

void Touch(const fs::path& path) {
    std::ofstream(path) << "half a file";
}

// A writer killed between writing its temporary file and renaming it leaves the file;
// the next write removes it, and nothing else.
TEST(AtomicFileLeftovers, TheNextWriteRemovesWhatAKilledWriterLeft) {
    const fs::path dir =
        fs::path(testing::TempDir()) / ("atomic-leftovers-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string dead = std::to_string(EndedProcess());
    const fs::path killed = dir / ("sms.dat." + dead + ".18c2f6a3e1.0");
    const fs::path killedOther = dir / ("vc.dat." + dead + ".18c2f6a3e1.1");
    const fs::path live = dir / "sms.dat.1.18c2f6a3e1.0";  // init never ends
    Touch(killed);
    Touch(killedOther);
    Touch(live);
    for (const char* name : {"sms.dat.bak", "sms.dat.1.2", "sms.dat.x.1f.0", "sms.dat.5.1f.0~"}) {
        Touch(dir / name);
    }

    ASSERT_TRUE(AtomicFile::Write((dir / "sms.dat").string(), "new"));
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_TRUE(fs::exists(killedOther)) << "only the written file's leftovers go";
    EXPECT_TRUE(fs::exists(live)) << "a running writer keeps its file";
    for (const char* name : {"sms.dat.bak", "sms.dat.1.2", "sms.dat.x.1f.0", "sms.dat.5.1f.0~"}) {
        EXPECT_TRUE(fs::exists(dir / name)) << name << " is not a temporary file";
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace veltro
