#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dialup/DialStartCheck.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

// Each condition a dial lacks is named with its fix, over files the test lays out.
TEST(DialStartCheck, NamesEachMissingConditionWithItsFix) {
    const std::string dir = testing::TempDir() + "dial-start-" + std::to_string(::getpid());
    fs::remove_all(dir);
    fs::create_directories(dir + "/run");
    fs::permissions(dir + "/run", fs::perms(0755));
    fs::create_symlink("/dev/null", dir + "/card");
    DialStartCheck::Paths paths{dir + "/run", "/bin/sh", dir + "/peers", dir + "/ppp",
                                dir + "/card"};
    auto causes = [&](const std::string& port, const std::string& program) {
        std::string text;
        for (const auto& problem : DialStartCheck::Find({"modem", "card", port}, program, paths)) {
            text += problem.cause + " => " + problem.fix + "\n";
        }
        return text;
    };
    EXPECT_EQ("the runtime folder " + dir + "/run is mode 0755, open to other users => close it: " +
                  "chmod 700 " + dir + "/run\n" + "pppd's peers file " + dir +
                  "/peers is missing => reinstall veltrogprs: sudo apt install --reinstall " +
                  "veltrogprs\n" + dir + "/ppp is missing: the kernel has no PPP support " +
                  "loaded => load it: sudo modprobe ppp_generic\n" + dir +
                  "/card is /dev/null, not the card's port /dev/ttyUSB3 => give the card's port " +
                  "the name: sudo veltrogprs-cli device pin ttyUSB3\n",
              causes("ttyUSB3", "/usr/sbin/pppd"));

    fs::permissions(dir + "/run", fs::perms::owner_all);
    std::ofstream(dir + "/peers") << "noauth\n";
    paths.devPpp = "/dev/null";
    EXPECT_EQ("", causes("null", "/usr/sbin/pppd"));
    // The virtual card's stand-in needs neither pppd's files nor the fixed name.
    EXPECT_EQ("the virtual card's dialer " + dir +
                  "/veltrogprs-dialer is missing => reinstall veltrogprs: sudo apt install "
                  "--reinstall veltrogprs\n",
              causes("pts/3", dir + "/veltrogprs-dialer"));
    EXPECT_NE(std::string::npos,
              DialStartCheck::RuntimeDir(dir + "/peers")->cause.find("is not a folder"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace veltro
