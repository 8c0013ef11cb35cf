#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "cli/DeviceCommands.h"
#include "cli/DevicePin.h"
#include "modem/AtomicFile.h"
#include "modem/ModemDeviceClass.h"

namespace veltro::cli {
namespace {

namespace fs = std::filesystem;

constexpr CommandGroup kGroups[] = {DeviceCommands};

class DeviceCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(testing::TempDir()) / ("device-commands-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        table_ = (dir_ / "sub" / "modems.ini").string();
        ::setenv("VELTROGPRS_MODEMS", table_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("VELTROGPRS_MODEMS");
        fs::remove_all(dir_);
    }

    int Run(std::vector<std::string> arguments) {
        out_.str("");
        err_.str("");
        test::ManualClock clock;
        return RunCommandLine(arguments, kGroups, CliEnvironment{clock, nullptr, out_, err_});
    }

    std::string Table() const {
        std::ifstream in(table_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::string table_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(DeviceCommandsTest, AddFillsTheFirstFreeInstanceAndRemoveKeepsTheOthersNumbers) {
    ASSERT_EQ(kExitSuccess, Run({"device", "add", "/dev/ttyUSB0"}));
    ASSERT_EQ(kExitSuccess, Run({"device", "add", "ttyACM1", "Other card"}));
    ModemDeviceClass devices = ModemDeviceClass::Load();
    ASSERT_TRUE(devices.Instance(0) && devices.Instance(1));
    EXPECT_EQ("ttyUSB0", devices.Instance(0)->attachedTo);
    EXPECT_EQ("VeltroGSM无线调制解调器", devices.Instance(0)->friendlyName);
    EXPECT_EQ("Other card", devices.Instance(1)->friendlyName);

    ASSERT_EQ(kExitSuccess, Run({"device", "remove", "0000"}));
    devices = ModemDeviceClass::Load();
    EXPECT_FALSE(devices.Instance(0));
    EXPECT_EQ("ttyACM1", devices.Instance(1)->attachedTo) << "instance numbers stay";

    ASSERT_EQ(kExitSuccess, Run({"device", "add", "ttyUSB2"}));
    EXPECT_EQ("ttyUSB2", ModemDeviceClass::Load().Instance(0)->attachedTo);
    ASSERT_EQ(kExitSuccess, Run({"device", "remove", "1"}));
    EXPECT_FALSE(ModemDeviceClass::Load().Instance(1));
}

TEST_F(DeviceCommandsTest, RefusalsLeaveTheTableAsItWas) {
    ASSERT_EQ(kExitSuccess, Run({"device", "add", "ttyUSB0"}));
    const std::string before = Table();

    EXPECT_EQ(kExitFailure, Run({"device", "add", "ttyUSB0", "again"}));
    EXPECT_NE(std::string::npos, err_.str().find("already instance 0000")) << err_.str();
    EXPECT_EQ(kExitFailure, Run({"device", "add", "ttyUSB100"}));
    EXPECT_EQ(kExitFailure, Run({"device", "add", "ttyUSB1", "bad\nname"}));
    EXPECT_EQ(kExitFailure, Run({"device", "remove", "0004"}));
    EXPECT_EQ(kExitFailure, Run({"device", "remove", "0010"}));
    EXPECT_EQ(kExitUsage, Run({"device", "remove"}));
    EXPECT_EQ(before, Table());

    for (int i = 1; i < ModemDeviceClass::kInstanceCount; ++i) {
        ASSERT_EQ(kExitSuccess, Run({"device", "add", "ttyS" + std::to_string(i)}));
    }
    EXPECT_EQ(kExitFailure, Run({"device", "add", "ttyS10"}));
    EXPECT_NE(std::string::npos, err_.str().find("no free instance"));

    // A damaged table is never rewritten by an edit.
    ASSERT_TRUE(AtomicFile::Write(table_, "[0000]\nFriendlyName=x\nnot a line\n"));
    EXPECT_EQ(kExitFailure, Run({"device", "add", "ttyUSB5"}));
    EXPECT_EQ(kExitFailure, Run({"device", "remove", "0000"}));
    EXPECT_EQ("[0000]\nFriendlyName=x\nnot a line\n", Table());
}

TEST_F(DeviceCommandsTest, ListShowsTheSourceTheInstancesAndTheOfferedPorts) {
    const std::string udev = std::string(VELTRO_TEST_DATA) + "/udev";
    const ModemDeviceClass::SystemRoots roots{udev + "/sys/class/tty", udev + "/run/udev/data"};
    ASSERT_EQ(kExitSuccess, Run({"device", "add", "ttyUSB2", "My card"}));
    std::ostringstream out;
    std::ostringstream err;
    CommandOutput plain(out, err, false);
    ListDevices(plain, roots);
    EXPECT_EQ("source: table " + table_ +
                  "\n"
                  "0000  table  ttyUSB2   My card\n"
                  "----  udev  ttyACM0   VeltroGSM无线调制解调器\n"
                  "----  udev  ttyUSB0   VeltroGSM无线调制解调器\n"
                  "----  udev  ttyUSB10  VeltroGSM无线调制解调器\n"
                  "no instance is named \"VeltroGSM无线调制解调器\"; add the card's AT port "
                  "with: veltrogprs-cli device add PORT\n",
              out.str());
    std::ostringstream jsonOut;
    CommandOutput json(jsonOut, err, true);
    ListDevices(json, roots);
    json.Finish();
    const nlohmann::json listed = nlohmann::json::parse(jsonOut.str());
    EXPECT_EQ(nlohmann::json::parse(R"([{"source":"table","port":"ttyUSB2","name":"My card",
                                         "instance":"0000"}])"),
              listed["devices"]);
    EXPECT_EQ(3u, listed["offered"].size());
    EXPECT_EQ("udev", listed["offered"][0]["source"]);
    EXPECT_FALSE(listed["named"]);

    ::unsetenv("VELTROGPRS_MODEMS");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "empty-config").c_str(), 1);
    std::ostringstream marked;
    CommandOutput markedOutput(marked, err, false);
    ListDevices(markedOutput, roots);
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(
        "source: udev\n"
        "0000  udev  ttyACM0   VeltroGSM无线调制解调器\n"
        "0001  udev  ttyUSB0   VeltroGSM无线调制解调器\n"
        "0002  udev  ttyUSB10  VeltroGSM无线调制解调器\n",
        marked.str());
}

// The pin rule matches a USB card by its ids and the AT port's interface, so that the
// name follows the card; another tty by its kernel name.
TEST_F(DeviceCommandsTest, PinRuleMatchesTheCardOrTheKernelName) {
    const fs::path sys = dir_ / "sys";
    const fs::path usb = sys / "devices/pci0/usb1/1-2";
    fs::create_directories(usb / "1-2:1.3/ttyUSB4");
    std::ofstream(usb / "idVendor") << "19d2\n";
    std::ofstream(usb / "idProduct") << "0031\n";
    std::ofstream(usb / "1-2:1.3/bInterfaceNumber") << "03\n";
    fs::create_directories(sys / "class/tty/ttyUSB4");
    fs::create_symlink(usb / "1-2:1.3/ttyUSB4", sys / "class/tty/ttyUSB4/device");
    fs::create_directories(sys / "class/tty/ttyS1");

    std::string why;
    const auto usbRules = DevicePin::Rules((sys / "class/tty").string(), "ttyUSB4", why);
    ASSERT_TRUE(usbRules.has_value()) << why;
    const std::string card = "ATTRS{idVendor}==\"19d2\", ATTRS{idProduct}==\"0031\", ";
    EXPECT_NE(std::string::npos,
              usbRules->find(card + "ENV{.VELTROGPRS_PIN_IFNUM}==\"03\", "
                                    "ENV{VELTROGPRS_FRIENDLY_NAME}=\"VeltroGSM无线调制解调器\", "
                                    "ENV{ID_MM_DEVICE_IGNORE}=\"1\", SYMLINK+=\"veltrogprs0\"\n"))
        << *usbRules;
    EXPECT_EQ(std::string::npos, usbRules->find("KERNEL==")) << *usbRules;

    const auto serialRules = DevicePin::Rules((sys / "class/tty").string(), "ttyS1", why);
    ASSERT_TRUE(serialRules.has_value()) << why;
    EXPECT_NE(std::string::npos, serialRules->find("KERNEL==\"ttyS1\", ")) << *serialRules;

    EXPECT_FALSE(DevicePin::Rules((sys / "class/tty").string(), "ttyUSB9", why));
    EXPECT_NE(std::string::npos, why.find("not a tty the kernel knows"));
    EXPECT_EQ(kExitFailure, Run({"device", "pin", "/dev/pts/3"}));
    EXPECT_NE(std::string::npos, err_.str().find("need no fixed name")) << err_.str();
}

}  // namespace
}  // namespace veltro::cli
