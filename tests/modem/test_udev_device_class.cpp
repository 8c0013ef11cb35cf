#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "modem/AtomicFile.h"
#include "modem/ModemDeviceClass.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCardName = "VeltroGSM无线调制解调器";

ModemDeviceClass::SystemRoots Recorded() {
    const std::string root = std::string(VELTRO_TEST_DATA) + "/udev";
    return {root + "/sys/class/tty", root + "/run/udev/data"};
}

// Points the table lookup at nothing, so Load goes on to udev and sysfs.
class NoTable {
public:
    NoTable() : home_(testing::TempDir() + "no-table-" + std::to_string(::getpid())) {
        ::unsetenv("VELTROGPRS_MODEMS");
        ::setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
    }
    ~NoTable() {
        ::unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(home_);
    }
    const std::string& Home() const { return home_; }

private:
    std::string home_;
};

TEST(UdevDeviceClassTest, ListedCardsGetTheNameAndTheModemManagerMarkOthersDoNot) {
    const auto roots = Recorded();
    const auto atPort = ModemDeviceClass::UdevProperties(roots, "ttyUSB0");
    EXPECT_EQ(kCardName, atPort.at(ModemDeviceClass::kFriendlyNameProperty));
    EXPECT_EQ("1", atPort.at(ModemDeviceClass::kModemManagerIgnoreProperty));

    // The listed card's other port is kept from ModemManager but is no instance.
    const auto diagnostics = ModemDeviceClass::UdevProperties(roots, "ttyUSB1");
    EXPECT_EQ(0u, diagnostics.count(ModemDeviceClass::kFriendlyNameProperty));
    EXPECT_EQ("1", diagnostics.at(ModemDeviceClass::kModemManagerIgnoreProperty));

    const auto unlisted = ModemDeviceClass::UdevProperties(roots, "ttyUSB2");
    EXPECT_EQ("usb", unlisted.at("ID_BUS"));
    EXPECT_EQ(0u, unlisted.count(ModemDeviceClass::kFriendlyNameProperty));
    EXPECT_EQ(0u, unlisted.count(ModemDeviceClass::kModemManagerIgnoreProperty));

    EXPECT_TRUE(ModemDeviceClass::UdevProperties(roots, "ttyS0").empty());
    EXPECT_TRUE(ModemDeviceClass::UdevProperties(roots, "ttyUSB99").empty());
    EXPECT_TRUE(ModemDeviceClass::UdevProperties(roots, "../../etc").empty());
}

TEST(UdevDeviceClassTest, MarkedPortsAreInstancesInTtyNameOrderOnEveryRun) {
    const auto roots = Recorded();
    for (int run = 0; run < 3; ++run) {
        const ModemDeviceClass devices = ModemDeviceClass::FromUdev(roots);
        EXPECT_EQ(DeviceSource::Udev, devices.Source());
        ASSERT_TRUE(devices.Instance(0) && devices.Instance(1) && devices.Instance(2));
        EXPECT_EQ("ttyACM0", devices.Instance(0)->attachedTo);
        EXPECT_EQ("ttyUSB0", devices.Instance(1)->attachedTo);
        EXPECT_EQ("ttyUSB10", devices.Instance(2)->attachedTo) << "10 sorts after 2";
        EXPECT_EQ(kCardName, devices.Instance(2)->friendlyName);
        EXPECT_FALSE(devices.Instance(3));
    }
    EXPECT_TRUE(ModemDeviceClass::TtyNameBefore("ttyUSB2", "ttyUSB10"));
    EXPECT_TRUE(ModemDeviceClass::TtyNameBefore("ttyACM9", "ttyS0"));
    EXPECT_FALSE(ModemDeviceClass::TtyNameBefore("ttyUSB10", "ttyUSB10"));
}

TEST(UdevDeviceClassTest, UserTableWinsOverUdevAndUdevOverSysfs) {
    NoTable none;
    const auto roots = Recorded();
    EXPECT_EQ(DeviceSource::Udev, ModemDeviceClass::Load(roots).Source());

    // Without marked ports the sysfs walk is the source.
    const fs::path empty = fs::path(none.Home()) / "empty-udev";
    fs::create_directories(empty);
    EXPECT_EQ(DeviceSource::Sysfs,
              ModemDeviceClass::Load({roots.ttyClassDir, empty.string()}).Source());

    const std::string table = none.Home() + "/veltrogprs/modems.ini";
    fs::create_directories(fs::path(table).parent_path());
    ASSERT_TRUE(AtomicFile::Write(table, "[0000]\nFriendlyName=Mine\nAttachedTo=ttyUSB2\n"));
    EXPECT_EQ(table, ModemDeviceClass::UserTablePath());
    const ModemDeviceClass devices = ModemDeviceClass::Load(roots);
    EXPECT_EQ(DeviceSource::Table, devices.Source());
    EXPECT_EQ("ttyUSB2", devices.Instance(0)->attachedTo);
    EXPECT_FALSE(devices.Instance(1));
}

// Every card the rules list is kept from ModemManager and has its AT port named with
// exactly the name the program looks for.
TEST(UdevRulesTest, EveryListedCardGetsTheMarkAndItsAtPortTheName) {
    std::ifstream in(std::string(VELTRO_SOURCE_DIR) + "/data/udev/70-veltrogprs.rules");
    ASSERT_TRUE(in);
    const std::regex card(
        R"re(ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})")re");
    std::set<std::string> marked;
    std::set<std::string> atPorts;
    int naming = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::smatch ids;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (std::regex_search(line, ids, card)) {
            const std::string id = ids[1].str() + ":" + ids[2].str();
            if (line.find("ENV{ID_MM_DEVICE_IGNORE}=\"1\"") != std::string::npos) {
                marked.insert(id);
            } else if (line.find("ENV{.VELTROGPRS_IFNUM}==\"") != std::string::npos &&
                       line.find("GOTO=\"veltrogprs_at_port\"") != std::string::npos) {
                atPorts.insert(id);
            } else {
                ADD_FAILURE() << "a card line that neither marks nor names: " << line;
            }
        }
        if (line.find(ModemDeviceClass::kFriendlyNameProperty) != std::string::npos) {
            ++naming;
            EXPECT_NE(std::string::npos,
                      line.find(std::string("ENV{") + ModemDeviceClass::kFriendlyNameProperty +
                                "}=\"" + kCardName + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\""))
                << line;
        }
    }
    EXPECT_GE(marked.size(), 3u);
    EXPECT_EQ(marked, atPorts);
    EXPECT_EQ(1, naming);
}

}  // namespace
}  // namespace veltro
