#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dialup/DialStartCheck.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

// The causes of a dial that cannot start, over files the test lays out.
class DialStartCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing::TempDir() + "dial-start-" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_ + "/run");
        fs::permissions(dir_ + "/run", fs::perms::owner_all);
        std::ofstream(dir_ + "/peers") << "noauth\n";
        fs::create_symlink("/dev/null", dir_ + "/card");
        paths_.runtimeDir = dir_ + "/run";
        paths_.pppd = "/bin/sh";
        paths_.peersFile = dir_ + "/peers";
        paths_.devPpp = "/dev/null";
        paths_.cardDevice = dir_ + "/card";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Causes(const std::string& port) const {
        std::string text;
        for (const auto& problem :
             DialStartCheck::Find({"modem", "card", port}, "/usr/sbin/pppd", paths_)) {
            text += problem.cause + " => " + problem.fix + "\n";
        }
        return text;
    }

    std::string dir_;
    DialStartCheck::Paths paths_;
};

TEST_F(DialStartCheckTest, EachMissingConditionIsNamedWithItsFix) {
    EXPECT_EQ("", Causes("null"));

    fs::permissions(paths_.runtimeDir, fs::perms(0755));
    EXPECT_EQ("the runtime folder " + paths_.runtimeDir + " is mode 0755, open to other users => " +
                  "close it: chmod 700 " + paths_.runtimeDir + "\n",
              Causes("null"));
    fs::permissions(paths_.runtimeDir, fs::perms::owner_all);

    fs::remove(paths_.peersFile);
    paths_.devPpp = dir_ + "/ppp";
    const std::string causes = Causes("ttyUSB3");
    EXPECT_NE(std::string::npos, causes.find("peers file " + paths_.peersFile + " is missing"))
        << causes;
    EXPECT_NE(std::string::npos, causes.find("sudo modprobe ppp_generic")) << causes;
    EXPECT_NE(std::string::npos,
              causes.find(paths_.cardDevice +
                          " is /dev/null, not the card's port /dev/ttyUSB3 => give the card's "
                          "port the name: sudo veltrogprs-cli device pin ttyUSB3"))
        << causes;

    fs::remove(paths_.cardDevice);
    EXPECT_NE(std::string::npos, Causes("null").find("the card has no fixed name"))
        << Causes("null");
}

TEST_F(DialStartCheckTest, RuntimeFolderMustBeAFolderOfTheUsersOwn) {
    EXPECT_FALSE(DialStartCheck::RuntimeDir(paths_.runtimeDir));
    std::ofstream(dir_ + "/file") << "x";
    EXPECT_NE(std::string::npos,
              DialStartCheck::RuntimeDir(dir_ + "/file")->cause.find("is not a folder"));
    EXPECT_NE(std::string::npos,
              DialStartCheck::RuntimeDir(dir_ + "/none/run")->cause.find("cannot be made"));
    if (::geteuid() == 0) {
        fs::create_directories(dir_ + "/theirs");
        fs::permissions(dir_ + "/theirs", fs::perms::owner_all);
        ASSERT_EQ(0, ::chown((dir_ + "/theirs").c_str(), 65534, 65534));
        EXPECT_NE(std::string::npos,
                  DialStartCheck::RuntimeDir(dir_ + "/theirs")->cause.find("belongs to"));
    }
}

// The virtual card's stand-in needs neither pppd nor the card's fixed name.
TEST_F(DialStartCheckTest, StandInNeedsOnlyItsProgram) {
    paths_.pppd = dir_ + "/no-pppd";
    paths_.cardDevice = dir_ + "/no-card";
    const auto problems =
        DialStartCheck::Find({"modem", "card", "pts/3"}, dir_ + "/veltrogprs-dialer", paths_);
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].cause.find("veltrogprs-dialer is missing"));
}

}  // namespace
}  // namespace veltro
