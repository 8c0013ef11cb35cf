#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "DialupTestPlatform.h"
#include "dialup/DialupConnection.h"
#include "dialup/DialupError.h"
#include "dialup/EnsureDialupEntry.h"
#include "dialup/Phonebook.h"

namespace veltro {
namespace {

using test::TestPlatform;

constexpr char kModem[] = "VeltroGSM无线调制解调器";

class EntryTest : public ::testing::Test {
protected:
    DialupEntry Read(const std::string& name = "VLGPRS") {
        DialupEntry entry;
        EXPECT_EQ(0, DialupConnection().GetEntryProperties(name, entry, ""));
        return entry;
    }
    void WriteFile(const std::string& text) {
        std::ofstream(platform.DefaultPhonebookPath(), std::ios::binary) << text;
    }

    TestPlatform platform;
};

TEST_F(EntryTest, FreshEntryHasTheProgramsSettings) {
    DialupConnection connection;
    EXPECT_EQ(1, connection.CreateEntry("VLGPRS", kModem));
    const DialupEntry entry = Read();
    EXPECT_EQ(0x11Cu, entry.options);
    EXPECT_EQ(4u, entry.netProtocols);
    EXPECT_EQ(1u, entry.framingProtocol);
    EXPECT_EQ("*99***1#", entry.localPhoneNumber);
    EXPECT_EQ("modem", entry.deviceType);
    EXPECT_EQ(kModem, entry.deviceName);
    EXPECT_EQ((DialupEntry::Address{211, 136, 17, 107}), entry.ipaddrDns);
    EXPECT_EQ((DialupEntry::Address{211, 136, 20, 203}), entry.ipaddrDnsAlt);
    EXPECT_EQ(DialupEntry::Address{}, entry.ipaddr);
    EXPECT_EQ(DialupEntry::Address{}, entry.ipaddrWins);
    EXPECT_STREQ("VLGPRS", connection.EntryName);
    EXPECT_STREQ("*99***1#", connection.PhoneNumber);
}

TEST_F(EntryTest, ExistingEntryOnAnotherDeviceOnlyMovesDevice) {
    DialupEntry old;
    old.deviceType = "isdn";
    old.deviceName = "Old Adapter";
    old.localPhoneNumber = "#777";
    old.options = 0x2A;
    old.netProtocols = 4;
    old.framingProtocol = 1;
    old.ipaddr = {10, 1, 2, 3};
    old.ipaddrDns = {8, 8, 8, 8};
    ASSERT_EQ(0, Phonebook(platform.DefaultPhonebookPath()).Write("VLGPRS", old));

    EXPECT_EQ(183, DialupConnection().CreateEntry("VLGPRS", kModem));
    DialupEntry expected = old;
    expected.deviceType = "modem";
    expected.deviceName = kModem;
    EXPECT_EQ(expected, Read());
}

TEST_F(EntryTest, EntryNamesIgnoreCase) {
    ASSERT_EQ(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    EXPECT_EQ(183, DialupConnection().CreateEntry("vlgprs", kModem));
    EXPECT_EQ("*99***1#", Read("Vlgprs").localPhoneNumber);
}

TEST_F(EntryTest, WithoutTheDeviceNothingIsWritten) {
    platform.devices->clear();
    EXPECT_EQ(-1, DialupConnection().CreateEntry("VLGPRS", kModem));
    EXPECT_FALSE(std::filesystem::exists(platform.DefaultPhonebookPath()));
}

struct OptionCase {
    const char* name;
    std::uint32_t start;
    std::uint32_t mask;
    int set;
    std::uint32_t expected;
};

class EntryOptionTest : public EntryTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(EntryOptionTest, ChangesExactlyTheMask) {
    const OptionCase& c = GetParam();
    ASSERT_EQ(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    DialupConnection connection;
    ASSERT_EQ(0, connection.SetEntryOptions("VLGPRS", 0xFFFFFFFF, 0, ""));
    ASSERT_EQ(0, connection.SetEntryOptions("VLGPRS", c.start, 1, ""));
    EXPECT_EQ(0, connection.SetEntryOptions("VLGPRS", c.mask, c.set, ""));
    EXPECT_EQ(c.expected, Read().options);
}

INSTANTIATE_TEST_SUITE_P(Masks, EntryOptionTest,
                         ::testing::Values(OptionCase{"clear_some", 0x11C, 0x18, 0, 0x104},
                                           OptionCase{"clear_absent_bits", 0x11C, 0x3, 0, 0x11C},
                                           OptionCase{"clear_high_bit", 0x8000011C, 0x80000000, 0,
                                                      0x11C},
                                           OptionCase{"set_keeps_others", 0x104, 0x18, 1, 0x11C},
                                           OptionCase{"set_flag_any_nonzero", 0x0, 0x2, 7, 0x2}),
                         [](const auto& info) { return std::string(info.param.name); });

struct AddressCase {
    const char* name;
    int slot;
    DialupEntry::Address DialupEntry::*field;  // null: no field changes
    std::uint32_t option;
};

class EntryAddressTest : public EntryTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(EntryAddressTest, WritesTheSlot) {
    const AddressCase& c = GetParam();
    ASSERT_EQ(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    DialupConnection connection;
    ASSERT_EQ(0, connection.SetEntryOptions("VLGPRS", 0xFFFFFFFF, 0, ""));
    DialupEntry expected = Read();
    EXPECT_EQ(0, connection.SetEntryAddress("VLGPRS", c.slot, 192, 168, 0, 9, ""));
    if (c.field != nullptr) {
        expected.*(c.field) = {192, 168, 0, 9};
        expected.options |= c.option;
    }
    EXPECT_EQ(expected, Read());
}

INSTANTIATE_TEST_SUITE_P(
    Slots, EntryAddressTest,
    ::testing::Values(AddressCase{"own_address", 1, &DialupEntry::ipaddr, 0x2},
                      AddressCase{"dns", 2, &DialupEntry::ipaddrDns, 0x4},
                      AddressCase{"dns_alt", 3, &DialupEntry::ipaddrDnsAlt, 0x4},
                      AddressCase{"wins", 4, &DialupEntry::ipaddrWins, 0x4},
                      AddressCase{"wins_alt", 5, &DialupEntry::ipaddrWinsAlt, 0x4},
                      AddressCase{"slot0", 0, nullptr, 0}, AddressCase{"slot6", 6, nullptr, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EntryTest, UnknownSlotStillWritesTheEntryBack) {
    ASSERT_EQ(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    // A lock that cannot be taken makes every write fail: the result shows a write ran.
    std::filesystem::remove(platform.DefaultPhonebookPath() + ".lock");
    std::filesystem::create_directory(platform.DefaultPhonebookPath() + ".lock");
    EXPECT_EQ(DialupError::kCannotWritePhonebook,
              DialupConnection().SetEntryAddress("VLGPRS", 6, 1, 2, 3, 4, ""));
}

TEST_F(EntryTest, MissingAndDamagedEntriesReadAsMissing) {
    DialupEntry entry;
    entry.localPhoneNumber = "untouched";
    EXPECT_EQ(755, DialupConnection().GetEntryProperties("VLGPRS", entry, ""));
    EXPECT_EQ("untouched", entry.localPhoneNumber);

    const struct {
        const char* name;
        std::string text;
    } damaged[] = {
        {"binary", std::string("[VLGPRS]\nDeviceType=mo\0dem\n", 26)},
        {"line outside sections", "junk line\n[VLGPRS]\nDeviceType=modem\n"},
        {"bad number",
         "[VLGPRS]\nDeviceType=modem\nDeviceName=x\nPhoneNumber=1\nOptions=zz\n"
         "NetProtocols=4\nFramingProtocol=1\nIpAddress=0.0.0.0\n"
         "DnsAddress=0.0.0.0\nDnsAddressAlt=0.0.0.0\nWinsAddress=0.0.0.0\n"
         "WinsAddressAlt=0.0.0.0\n"},
        {"bad address",
         "[VLGPRS]\nDeviceType=modem\nDeviceName=x\nPhoneNumber=1\nOptions=1\n"
         "NetProtocols=4\nFramingProtocol=1\nIpAddress=0.0.0.256\n"
         "DnsAddress=0.0.0.0\nDnsAddressAlt=0.0.0.0\nWinsAddress=0.0.0.0\n"
         "WinsAddressAlt=0.0.0.0\n"},
    };
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.name);
        WriteFile(c.text);
        EXPECT_EQ(755, DialupConnection().GetEntryProperties("VLGPRS", entry, ""));
    }
}

TEST_F(EntryTest, DamagedFileIsKeptAsideWhenTheEntryIsCreated) {
    WriteFile("this is not a phonebook\n");
    EXPECT_EQ(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    EXPECT_EQ(0x11Cu, Read().options);
    const std::filesystem::path book(platform.DefaultPhonebookPath());
    std::string kept;
    for (const auto& file : std::filesystem::directory_iterator(book.parent_path())) {
        if (file.path().filename().string().rfind("phonebook.ini.damaged-", 0) == 0) {
            std::ifstream aside(file.path());
            std::getline(aside, kept);
        }
    }
    EXPECT_EQ("this is not a phonebook", kept);

    // A phonebook that cannot be read is never replaced by a new one.
    std::filesystem::remove(book);
    std::filesystem::create_directory(book);
    EXPECT_NE(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    EXPECT_TRUE(std::filesystem::is_directory(book));
}

TEST_F(EntryTest, OtherEntriesSurviveUpdates) {
    DialupEntry other;
    other.localPhoneNumber = "#888";
    other.deviceType = "modem";
    other.deviceName = "Other";
    ASSERT_EQ(0, Phonebook(platform.DefaultPhonebookPath()).Write("Office", other));
    ASSERT_EQ(1, DialupConnection().CreateEntry("VLGPRS", kModem));
    EXPECT_EQ(other, Read("Office"));
    EXPECT_EQ(0, DeleteEntry("VLGPRS", ""));
    EXPECT_EQ(other, Read("Office"));
}

TEST_F(EntryTest, StoreRefusesTextsThatWouldBreakTheFile) {
    Phonebook book(platform.DefaultPhonebookPath());
    DialupEntry entry;
    entry.localPhoneNumber = "*99#\n[Injected]";
    EXPECT_EQ(DialupError::kInvalidParameter, book.Write("VLGPRS", entry));
    EXPECT_EQ(DialupError::kInvalidName, book.Write("VL]GPRS", DialupEntry{}));
    EXPECT_EQ(DialupError::kInvalidName, book.Validate(""));
    EXPECT_EQ(DialupError::kInvalidName, book.Validate(std::string(257, 'x')));
}

TEST_F(EntryTest, EnsureKeepsAnExistingEntryAndDeletesItWithoutTheDevice) {
    DialupEntry old;
    old.deviceType = "modem";
    old.deviceName = "Old Modem";
    old.localPhoneNumber = "*99***2#";
    old.options = 0x10;
    ASSERT_EQ(0, Phonebook(platform.DefaultPhonebookPath()).Write("VLGPRS", old));
    EnsureDialupEntry();
    EXPECT_EQ("*99***2#", Read().localPhoneNumber);
    EXPECT_EQ(kModem, Read().deviceName);

    platform.devices->clear();
    EnsureDialupEntry();
    DialupEntry entry;
    EXPECT_EQ(755, DialupConnection().GetEntryProperties("VLGPRS", entry, ""));
}

class DeviceTest : public ::testing::Test {
protected:
    TestPlatform platform;
};

TEST_F(DeviceTest, FirstContainingDeviceWinsAndKeepsTheSearchedName) {
    platform.devices = std::vector<DialupDevice>{
        {"modem", "Standard 56000 bps Modem", "ttyS0"},
        {"modem", "VeltroGSM无线调制解调器 #2", "ttyUSB1"},
        {"modem", "VeltroGSM无线调制解调器", "ttyUSB0"},
    };
    DialupConnection connection;
    EXPECT_TRUE(connection.FindDevice(kModem));
    EXPECT_STREQ(kModem, connection.DeviceName);
}

TEST_F(DeviceTest, NameIsCaseSensitiveTypeIsNot) {
    platform.devices = std::vector<DialupDevice>{
        {"MODEM", "VeltroGSM Card", "ttyUSB0"},
        {"Modem", "Second Card", "ttyUSB1"},
        {"isdn", "VeltroGSM ISDN", "ttyS0"},
    };
    DialupConnection connection;
    EXPECT_EQ(2, connection.CountModems());
    std::vector<std::string> names;
    EXPECT_TRUE(connection.ListModems(names, 2));
    EXPECT_EQ((std::vector<std::string>{"VeltroGSM Card", "Second Card"}), names);
    EXPECT_FALSE(connection.FindDevice("veltrogsm"));
    EXPECT_FALSE(connection.FindDevice("ISDN"));
    EXPECT_TRUE(connection.FindDevice("GSM"));
}

TEST_F(DeviceTest, EmptyOrUnreadableListFails) {
    DialupConnection connection;
    std::vector<std::string> names;
    platform.devices = std::vector<DialupDevice>{};
    EXPECT_EQ(-1, connection.CountModems());
    EXPECT_FALSE(connection.ListModems(names, 1));
    platform.devices = std::nullopt;
    EXPECT_EQ(-1, connection.CountModems());
    EXPECT_FALSE(connection.FindDevice(kModem));
    // Devices of other types only: a readable list without modems.
    platform.devices = std::vector<DialupDevice>{{"isdn", "ISDN", "ttyS0"}};
    EXPECT_EQ(0, connection.CountModems());
    EXPECT_FALSE(connection.FindDevice("ISDN"));
}

TEST_F(DeviceTest, ListNeverOverrunsTheCallersSlots) {
    platform.devices = std::vector<DialupDevice>{
        {"modem", "A", "ttyUSB0"}, {"modem", "B", "ttyUSB1"}, {"modem", "C", "ttyUSB2"}};
    std::vector<std::string> names;
    EXPECT_TRUE(DialupConnection().ListModems(names, 2));
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), names);
}

TEST_F(DeviceTest, LongNamesAreCutWithoutSplittingACharacter) {
    std::string name;
    while (name.size() < 120) {
        name += "无";  // three bytes each
    }
    platform.devices = std::vector<DialupDevice>{{"modem", name, "ttyUSB0"}};
    DialupConnection connection;
    ASSERT_TRUE(connection.FindDevice(name));
    EXPECT_EQ(99u, std::strlen(connection.DeviceName));
    EXPECT_EQ(name.substr(0, 99), connection.DeviceName);
    // Shifted by one byte, the 99th byte falls inside a character: the cut goes before it.
    const std::string shifted = "a" + name;
    platform.devices = std::vector<DialupDevice>{{"modem", shifted, "ttyUSB0"}};
    ASSERT_TRUE(connection.FindDevice(shifted));
    EXPECT_EQ(shifted.substr(0, 97), connection.DeviceName);
}

TEST_F(DeviceTest, DefaultBaudRateIsKeptPerKnownDevice) {
    EXPECT_TRUE(SetDefaultBaudRate(kModem, 57600));
    EXPECT_TRUE(SetDefaultBaudRate("ttyUSB0", 115200));
    EXPECT_FALSE(SetDefaultBaudRate("No Such Modem", 115200));
    EXPECT_FALSE(SetDefaultBaudRate("../etc/passwd", 115200));

    DialupConnection connection;
    ASSERT_EQ(1, connection.CreateEntry("VLGPRS", kModem));
    ASSERT_EQ(0, connection.Dial(nullptr, "*99***1#", "", ""));
    ASSERT_EQ(1u, platform.fake.dials.size());
    EXPECT_EQ(57600u, platform.fake.dials[0].lineSpeed);
    EXPECT_EQ("ttyUSB0", platform.fake.dials[0].device.port);
}

// Two processes changing the same entry at once: each change is read, made and written
// under the phonebook's lock, so neither undoes the other.
TEST_F(EntryTest, ConcurrentChangesKeepEachOther) {
    DialupConnection connection;
    ASSERT_EQ(1, connection.CreateEntry("VLGPRS", "VeltroGSM无线调制解调器"));
    constexpr int kRounds = 40;
    auto change = [](int slot, std::uint8_t b) {
        DialupConnection mine;
        for (int i = 1; i <= kRounds; ++i) {
            EXPECT_EQ(0, mine.SetEntryAddress("VLGPRS", slot, 10, b, 0,
                                              static_cast<std::uint8_t>(i), ""));
        }
    };
    std::thread address(change, 1, 0);
    std::thread wins(change, 4, 1);
    address.join();
    wins.join();
    DialupEntry entry;
    ASSERT_EQ(0, connection.GetEntryProperties("VLGPRS", entry, ""));
    EXPECT_EQ((DialupEntry::Address{10, 0, 0, kRounds}), entry.ipaddr);
    EXPECT_EQ((DialupEntry::Address{10, 1, 0, kRounds}), entry.ipaddrWins);
}

}  // namespace
}  // namespace veltro
