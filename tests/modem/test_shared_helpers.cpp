#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "modem/AtomicFile.h"
#include "modem/GbkText.h"
#include "modem/ModemDeviceClass.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

TEST(GbkTextTest, RoundTripsChineseAndCutsOnCharacterBoundaries) {
    const auto gbk = GbkText::FromUtf8("你好ab");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(std::string("\xC4\xE3\xBA\xC3"
                          "ab"),
              *gbk);
    EXPECT_EQ("你好ab", GbkText::ToUtf8(*gbk));

    EXPECT_EQ("\xC4\xE3", GbkText::CutToFit(*gbk, 3)) << "never half a character";
    EXPECT_EQ(*gbk, GbkText::CutToFit(*gbk, 6));
    EXPECT_EQ("", GbkText::CutToFit(*gbk, 1));
    // A lone lead byte at the end is dropped, not kept as half a character.
    EXPECT_EQ("a", GbkText::CutToFit("a\xC4", 8));
}

TEST(GbkTextTest, CharactersOutsideGbkBecomeQuestionMarks) {
    EXPECT_EQ(std::string("a?b"), GbkText::FromUtf8("a😀b").value());
    EXPECT_FALSE(GbkText::FromUtf8("\xFF\xFE"));
    EXPECT_EQ("a\xEF\xBF\xBD", GbkText::ToUtf8("a\xFF"));
}

// Conversions go on past characters GBK cannot hold and still fail on bad UTF-8 after
// them; each thread converts with its own descriptors.
TEST(GbkTextTest, ConvertsAroundUnheldCharactersOnEveryThread) {
    const auto check = [] {
        EXPECT_EQ(std::string("\xC4\xE3??a?\xBA\xC3"), GbkText::FromUtf8("你😀😀a🎉好").value());
        EXPECT_FALSE(GbkText::FromUtf8("你😀\xED\xA0\x80")) << "a surrogate code point";
        EXPECT_FALSE(GbkText::FromUtf8("😀\xC0\x80")) << "an overlong form";
        EXPECT_FALSE(GbkText::FromUtf8("😀\xE4\xBD")) << "a cut character at the end";
        EXPECT_EQ("你\xEF\xBF\xBD好", GbkText::ToUtf8("\xC4\xE3\xFF\xBA\xC3"));
    };
    check();
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back(check);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

TEST(ModemDeviceClassTest, ReadsInstancesAndSkipsBrokenOnes) {
    const auto table = ModemDeviceClass::FromTableText(
        "; devices\n"
        "[0000]\nFriendlyName=Other modem\nAttachedTo=ttyS0\n"
        "[0001]\nFriendlyName=\"VeltroGSM无线调制解调器 #2\"\r\nAttachedTo = ttyUSB0 \n"
        "[0002]\nFriendlyName=no port\n"
        "[0010]\nFriendlyName=beyond\nAttachedTo=ttyUSB9\n"
        "garbage without a section\n[unterminated\nAttachedTo=x\n");
    ASSERT_TRUE(table.Instance(0));
    EXPECT_EQ("ttyS0", table.Instance(0)->attachedTo);
    ASSERT_TRUE(table.Instance(1));
    EXPECT_EQ("VeltroGSM无线调制解调器 #2", table.Instance(1)->friendlyName);
    EXPECT_EQ("ttyUSB0", table.Instance(1)->attachedTo);
    EXPECT_FALSE(table.Instance(2));
    for (int i = 3; i < 12; ++i) {
        EXPECT_FALSE(table.Instance(i)) << i;
    }
    EXPECT_FALSE(table.Instance(-1));
}

TEST(ModemDeviceClassTest, TableTextReadsBack) {
    const auto text = ModemDeviceClass::TableText({{"A", "pts/3"}, {"B", "ttyUSB1"}});
    const auto table = ModemDeviceClass::FromTableText(text);
    EXPECT_EQ("pts/3", table.Instance(0)->attachedTo);
    EXPECT_EQ("B", table.Instance(1)->friendlyName);
}

TEST(ModemDeviceClassTest, EnvironmentTableWinsAndUnreadableMeansEmpty) {
    const std::string path =
        testing::TempDir() + "modems-env-" + std::to_string(::getpid()) + ".ini";
    ASSERT_TRUE(AtomicFile::Write(path, "[0000]\nFriendlyName=X\nAttachedTo=pts/9\n"));
    ::setenv("VELTROGPRS_MODEMS", path.c_str(), 1);
    EXPECT_EQ(path, ModemDeviceClass::TablePath());
    EXPECT_EQ("pts/9", ModemDeviceClass::Load().Instance(0)->attachedTo);
    ::setenv("VELTROGPRS_MODEMS", (path + ".missing").c_str(), 1);
    EXPECT_FALSE(ModemDeviceClass::Load().Instance(0));
    ::unsetenv("VELTROGPRS_MODEMS");
}

TEST(ModemDeviceClassTest, SysfsListsOnlyUsbBackedTtys) {
    const fs::path root =
        fs::path(testing::TempDir()) / ("sysfs-fake-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path usbDevice = root / "devices/pci0000:00/usb1/1-1";
    fs::create_directories(usbDevice / "1-1:1.0/ttyUSB0");
    std::ofstream(usbDevice / "idVendor") << "1234\n";
    std::ofstream(usbDevice / "manufacturer") << "Veltro\n";
    std::ofstream(usbDevice / "product") << "GSM Card\n";
    fs::create_directories(root / "devices/platform/serial8250/ttyS0");
    fs::create_directories(root / "class/tty/ttyUSB0");
    fs::create_directories(root / "class/tty/ttyS0");
    fs::create_directory_symlink(usbDevice / "1-1:1.0", root / "class/tty/ttyUSB0/device");
    fs::create_directory_symlink(root / "devices/platform/serial8250",
                                 root / "class/tty/ttyS0/device");

    const auto table = ModemDeviceClass::FromSysfs((root / "class/tty").string());
    ASSERT_TRUE(table.Instance(0));
    EXPECT_EQ("Veltro GSM Card", table.Instance(0)->friendlyName);
    EXPECT_EQ("ttyUSB0", table.Instance(0)->attachedTo);
    EXPECT_FALSE(table.Instance(1));
}

TEST(AtomicFileTest, ReplacesWholeAndKeepsTheOldFileOnFailure) {
    const fs::path dir = fs::path(testing::TempDir()) / ("atomic-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "vc.dat").string();
    ASSERT_TRUE(AtomicFile::Write(path, "old"));
    ASSERT_TRUE(AtomicFile::Write(path, "new contents"));
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("new contents", text);

    EXPECT_FALSE(AtomicFile::Write((dir / "no/such/dir/x").string(), "x"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()))
        << "no temporary file is left behind";
    fs::remove_all(dir);
}

TEST(AtomicFileTest, FolderTheUserCannotWriteKeepsTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into a read-only folder; scripts/test-as-user.sh runs this";
    }
    const fs::path dir = fs::path(testing::TempDir()) / ("atomic-ro-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "sms.dat").string();
    ASSERT_TRUE(AtomicFile::Write(path, "kept"));
    ::chmod(dir.c_str(), 0555);
    EXPECT_FALSE(AtomicFile::Write(path, "lost"));
    ::chmod(dir.c_str(), 0755);
    std::ifstream in(path);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ("kept", kept);
    fs::remove_all(dir);
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

TEST(AtomicFileTest, NewFilesHonourTheUmaskAndReplacedFilesKeepTheirMode) {
    const fs::path dir =
        fs::path(testing::TempDir()) / ("atomic-mode-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const mode_t saved = ::umask(022);
    const std::string messages = (dir / "sms.dat").string();
    const std::string table = (dir / "modems.ini").string();
    EXPECT_TRUE(AtomicFile::Write(messages, "x", AtomicFile::kPrivate));
    EXPECT_TRUE(AtomicFile::Write(table, "x"));
    EXPECT_EQ(0600u, ModeOf(messages));
    EXPECT_EQ(0644u, ModeOf(table));

    ::umask(077);
    const std::string strict = (dir / "strict.ini").string();
    EXPECT_TRUE(AtomicFile::Write(strict, "x"));
    EXPECT_EQ(0600u, ModeOf(strict));

    ::chmod(messages.c_str(), 0640);
    EXPECT_TRUE(AtomicFile::Write(messages, "y", AtomicFile::kPrivate));
    EXPECT_EQ(0640u, ModeOf(messages)) << "the user's own choice survives a save";
    ::umask(saved);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace veltro
