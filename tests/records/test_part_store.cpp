#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "records/PartStore.h"

namespace veltro {
namespace {

using Part = PartStore::Part;

class PartStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/veltro-parts-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        dir = pattern;
        path = dir + "/" + PartStore::kFileName;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static Part Make(int sequence, const std::string& text, long long arrived = 1000,
                     int reference = 7, int total = 3) {
        return {"+8613912345678", reference, total, sequence, arrived, text};
    }

    std::string dir;
    std::string path;
};

// Parts arrive in any order and with a stranger between them; the message is whole
// only once every part is there, and reads in part order. The store survives a
// restart, and a part seen twice counts once.
TEST_F(PartStoreTest, JoinsPartsInOrderAcrossARestart) {
    {
        PartStore store(path);
        store.Load();
        ASSERT_TRUE(store.Add(Make(3, "C")));
        ASSERT_TRUE(store.Add(Make(1, "x", 1000, 8)));
        ASSERT_TRUE(store.Add(Make(1, "A")));
        ASSERT_TRUE(store.Add(Make(1, "A")));
        EXPECT_TRUE(store.Ready(2000, 86400).empty());
    }
    // The parts are the user's messages: other users may not read them.
    struct stat info {};
    ASSERT_EQ(0, ::stat(path.c_str(), &info));
    EXPECT_EQ(0u, info.st_mode & 077);
    PartStore store(path);
    store.Load();
    ASSERT_EQ(3u, store.Parts().size());
    ASSERT_TRUE(store.Add(Make(2, "B")));
    const auto ready = store.Ready(2000, 86400);
    ASSERT_EQ(1u, ready.size());
    EXPECT_TRUE(ready[0].complete);
    EXPECT_EQ("ABC", ready[0].text);
    EXPECT_EQ(7, ready[0].key.reference);

    ASSERT_TRUE(store.Remove({ready[0].key}));
    PartStore after(path);
    after.Load();
    ASSERT_EQ(1u, after.Parts().size());
    EXPECT_EQ(8, after.Parts()[0].reference);
}

// A sender reusing a reference: a part with a held part's key and number but another
// text starts another message, parts join the oldest message that lacks them, and
// both come back whole after a restart. A repeated part still counts once.
TEST_F(PartStoreTest, SameKeyWithOtherTextIsAnotherMessage) {
    {
        PartStore store(path);
        for (const auto& [sequence, text] : std::vector<std::pair<int, std::string>>{
                 {1, "A"}, {1, "a"}, {2, "B"}, {1, "a"}, {2, "b"}, {3, "C"}}) {
            ASSERT_TRUE(store.Add(Make(sequence, text)));
        }
        EXPECT_EQ(5u, store.Parts().size());
    }
    PartStore store(path);
    store.Load();
    PartStore::Key key;
    ASSERT_TRUE(store.Add(Make(3, "c"), &key));
    EXPECT_EQ(1, key.instance);
    const auto ready = store.Ready(2000, 86400);
    ASSERT_EQ(2u, ready.size());
    EXPECT_EQ("ABC", ready[0].text);
    EXPECT_EQ("abc", ready[1].text);
    ASSERT_TRUE(store.Remove({ready[0].key}));
    EXPECT_EQ(3u, store.Parts().size());
}

// After the wait the message shows with what came, each missing part marked.
TEST_F(PartStoreTest, IncompleteMessageShowsAfterTheWait) {
    PartStore store(path);
    ASSERT_TRUE(store.Add(Make(2, "B", 1000)));
    EXPECT_TRUE(store.Ready(1000 + 86399, 86400).empty());
    const auto ready = store.Ready(1000 + 86400, 86400);
    ASSERT_EQ(1u, ready.size());
    EXPECT_FALSE(ready[0].complete);
    EXPECT_EQ("[缺第1/3部分]B[缺第3/3部分]", ready[0].text);
}

// A store that cannot be written keeps nothing: the caller leaves the part on the SIM.
TEST_F(PartStoreTest, UnwritableStoreKeepsNothing) {
    std::filesystem::create_directory(path);
    PartStore store(path);
    EXPECT_FALSE(store.Add(Make(1, "A")));
    EXPECT_TRUE(store.Parts().empty());
    EXPECT_FALSE(store.Add(Make(4, "beyond the count")));
}

TEST_F(PartStoreTest, DecodeSkipsLinesThatDoNotReadBack) {
    const std::string good = PartStore::Encode({Make(1, "好")});
    const std::string text = "garbage\n" + good + "41 1 2 3 0 41\n" + "4G 1 2 1 0 41\n" +
                             "41 1 2 1 0 41 extra\n" + "41 99999 2 1 0 41\n" + good;
    const auto parts = PartStore::Decode(text);
    ASSERT_EQ(1u, parts.size());
    EXPECT_EQ(Make(1, "好"), parts[0]);
    // The writer's digits are upper case; lower-case ones are damage.
    EXPECT_TRUE(PartStore::Decode("4a 1 2 1 0 41\n").empty());
}

// A store of many long parts is read whole, however large the file.
TEST_F(PartStoreTest, LargeStoreLoadsWhole) {
    {
        PartStore store(path);
        for (int reference = 0; reference < 40; ++reference) {
            ASSERT_TRUE(
                store.Add(Make(1, std::string(PartStore::kMaxTextBytes, 'x'), 1000, reference)));
        }
    }
    PartStore store(path);
    store.Load();
    ASSERT_EQ(40u, store.Parts().size());
    EXPECT_EQ(39, store.Parts().back().reference);
    EXPECT_EQ(PartStore::kMaxTextBytes, store.Parts().back().text.size());
}

}  // namespace
}  // namespace veltro
