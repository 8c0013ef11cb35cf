#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ManualClock.h"
#include "cli/CliCommand.h"
#include "cli/CliDispatch.h"
#include "cli/VCardCodec.h"
#include "records/DataFolderLock.h"

namespace veltro::cli {
namespace {

namespace fs = std::filesystem;
using test::ManualClock;

constexpr CommandGroup kGroups[] = {ContactsCommands};

std::string Card(const std::string& lines) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + lines + "END:VCARD\r\n";
}

// The contacts commands on "vc.dat" in a data folder of their own (--data-home), with
// the window's runtime folder beside it.
class ContactsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) /
               ("cli-contacts-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        ::setenv("XDG_DATA_HOME", root.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
        book = root / "veltrogprs" / "vc.dat";
    }
    void TearDown() override {
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(root);
    }

    int Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "--data-home");
        out.str("");
        err.str("");
        return RunCommandLine(arguments, kGroups, CliEnvironment{clock, nullptr, out, err});
    }
    nlohmann::json RunJson(std::vector<std::string> arguments, int status) {
        arguments.push_back("--json");
        EXPECT_EQ(status, Run(arguments)) << err.str();
        return nlohmann::json::parse(out.str());
    }
    static std::string Bytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const fs::path& path, const std::string& bytes) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    ManualClock clock;
    std::ostringstream out;
    std::ostringstream err;
    fs::path root;
    fs::path book;
};

// Chinese names come in (also from a quoted-printable 2.1 card), a name too long for
// its field and a duplicate are reported, and an export imports back to the same file.
TEST_F(ContactsTest, VCardRoundTrip) {
    const fs::path vcf = root / "in.vcf";
    Write(vcf, Card("FN:张三\r\nTEL;TYPE=CELL:+86 138-0013-8000\r\nTEL:10086\r\n") +
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                   "=E6=9D=8E;=E5=9B=\r\n=9B;;;\r\nTEL;CELL:13900139000\r\nEND:VCARD\r\n" +
                   Card("FN:欧阳娜娜娜娜娜娜娜\r\nTEL:13700137000\r\n") +
                   Card("FN:张三\r\nTEL:+8613800138000\r\n"));
    const nlohmann::json imported = RunJson({"contacts", "import", vcf}, kExitFailure);
    EXPECT_EQ(nlohmann::json::parse(R"({"imported":3,"duplicates":1,"rejected":[
                  {"name":"欧阳娜娜娜娜娜娜娜","number":"13700137000",
                   "reason":"the name takes 18 bytes in GBK; 15 fit"}]})"),
              imported);
    EXPECT_NE(std::string::npos, err.str().find("not imported: 欧阳娜娜娜娜娜娜娜")) << err.str();
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
              fs::status(book).permissions() & fs::perms::all);

    const fs::path exported = root / "out.vcf";
    ASSERT_EQ(kExitSuccess, Run({"contacts", "export", exported}));
    const std::vector<VCardCodec::Card> cards = VCardCodec::Parse(Bytes(exported));
    ASSERT_EQ(3u, cards.size());
    EXPECT_EQ("张三", cards[0].name);
    EXPECT_EQ(std::vector<std::string>{"+8613800138000"}, cards[0].numbers);
    EXPECT_EQ("张三", cards[1].name);
    EXPECT_EQ(std::vector<std::string>{"10086"}, cards[1].numbers);
    EXPECT_EQ("李四", cards[2].name);

    const std::string before = Bytes(book);
    EXPECT_EQ(nlohmann::json::parse(R"({"imported":0,"duplicates":3,"rejected":[]})"),
              RunJson({"contacts", "import", exported}, kExitSuccess));
    fs::remove(book);
    EXPECT_EQ(kExitSuccess, Run({"contacts", "import", exported}));
    EXPECT_EQ(before, Bytes(book));
}

TEST_F(ContactsTest, VCardReading) {
    const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> cases = {
        {Card("FN:Zhang\r\n  San\r\nTEL:1\r\n"), {"Zhang San", "1"}},
        {Card("FN:Doe\\, John\\;\r\nTEL:2\r\n"), {"Doe, John;", "2"}},
        {Card("N:Doe;John;;;\r\nTEL:3\r\n"), {"John Doe", "3"}},
        {Card("N:王;五;;;\r\nitem1.TEL;VALUE=uri:tel:+86-10-12345\r\n"), {"王五", "+86-10-12345"}},
        {"\xEF\xBB\xBF"
         "BEGIN:VCARD\nFN;CHARSET=GBK;ENCODING=QUOTED-PRINTABLE:=D5=C5=C8=FD\n"
         "TEL:5\nEND:VCARD\n",
         {"张三", "5"}},
    };
    for (const auto& [text, expected] : cases) {
        const std::vector<VCardCodec::Card> cards = VCardCodec::Parse(text);
        ASSERT_EQ(1u, cards.size()) << text;
        EXPECT_EQ(expected.first, cards[0].name);
        EXPECT_EQ(std::vector<std::string>{expected.second}, cards[0].numbers);
    }
    EXPECT_TRUE(VCardCodec::Parse("FN:no card\r\nTEL:1\r\n").empty());
}

// The fields hold 15 and 31 GBK bytes; nothing beyond is cut to fit, and neither are
// characters GBK lacks or control characters let in.
TEST_F(ContactsTest, AddRemoveAndFieldLimits) {
    EXPECT_EQ(nlohmann::json::parse(R"({"added":true,"name":"七个汉字七个字A","number":"10086"})"),
              RunJson({"contacts", "add", "七个汉字七个字A", "100-86"}, kExitSuccess));
    EXPECT_EQ(kExitSuccess, Run({"contacts", "add", "Li", std::string(31, '1')}));
    const std::string before = Bytes(book);
    for (const auto& [name, number, why] : std::vector<std::array<std::string, 3>>{
             {"八个汉字八个汉字", "1", "the name takes 16 bytes in GBK; 15 fit"},
             {"Li", std::string(32, '1'), "the number takes 32 bytes in GBK; 31 fit"},
             {"笑\U0001F600", "1", "the name has characters GBK cannot hold"},
             {"a\x1B[2J", "1", "the name holds control characters"}}) {
        EXPECT_EQ(kExitFailure, Run({"contacts", "add", name, number}));
        EXPECT_NE(std::string::npos, err.str().find(why)) << err.str();
    }
    EXPECT_EQ(before, Bytes(book));

    EXPECT_FALSE(RunJson({"contacts", "add", "Li", std::string(31, '1')}, kExitSuccess)["added"]);
    EXPECT_EQ(kExitSuccess, Run({"contacts", "add", "Li", "12"}));
    EXPECT_EQ(kExitSuccess, Run({"contacts", "remove", "Li", "1-2"}));
    EXPECT_EQ("removed\tLi\t12\n", out.str());
    EXPECT_EQ(kExitFailure, Run({"contacts", "remove", "Nobody"}));
    EXPECT_EQ(nlohmann::json::parse(R"({"contacts":[{"name":"七个汉字七个字A","number":"10086"},
                  {"name":"Li","number":"1111111111111111111111111111111"}]})"),
              RunJson({"contacts", "list"}, kExitSuccess));
}

// No change is written over a file that was not read whole, by two commands at once,
// or while a window uses the folder (it writes its own list back when it ends).
TEST_F(ContactsTest, ChangesAreRefusedRatherThanLost) {
    Write(book, std::string(50, 'x'));
    EXPECT_EQ(kExitFailure, Run({"contacts", "add", "A", "1"}));
    EXPECT_NE(std::string::npos, err.str().find("not a whole number of 48-byte entries"));
    EXPECT_EQ(std::string(50, 'x'), Bytes(book));
    fs::remove(book);

    // A window started from another session holds the folder's own lock.
    {
        DataFolderLock window;
        ASSERT_EQ(DataFolderLock::State::kHeld, window.Take(book.parent_path(), "veltrogprs"));
        EXPECT_EQ(kExitFailure, Run({"contacts", "add", "A", "1"}));
        EXPECT_NE(std::string::npos, err.str().find("pid " + std::to_string(::getpid())))
            << err.str();
    }
    EXPECT_FALSE(fs::exists(book));
    EXPECT_EQ(kExitSuccess, Run({"contacts", "add", "A", "1"}));
}

}  // namespace
}  // namespace veltro::cli
