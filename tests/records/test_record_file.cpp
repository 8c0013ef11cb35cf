#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"
#include "records/RecordFile.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

class RecordFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("veltro_records_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path dir_;
};

TEST_F(RecordFileTest, WritesAndReadsRecordsInOrder) {
    const std::string path = Path("vc.dat");
    const std::vector<PhonebookEntryRecord> records{{"C", "3"}, {"B", "2"}, {"A", "1"}};
    ASSERT_TRUE(RecordFile<PhonebookEntryRecord>::Write(path, records));
    EXPECT_EQ(3u * 48u, fs::file_size(path));
    EXPECT_EQ('C', Contents(path)[0]);
    EXPECT_EQ(records, RecordFile<PhonebookEntryRecord>::Read(path));
}

TEST_F(RecordFileTest, MissingFileHasNoRecordsAndEmptyListWritesEmptyFile) {
    EXPECT_TRUE(RecordFile<MessageRecord>::Read(Path("sms.dat")).empty());
    ASSERT_TRUE(RecordFile<MessageRecord>::Write(Path("sms.dat"), {}));
    EXPECT_EQ(0u, fs::file_size(Path("sms.dat")));
    EXPECT_FALSE(RecordFile<MessageRecord>::Write("", {}));
}

TEST_F(RecordFileTest, CurrentDirectoryPathFollowsTheWorkingDirectory) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    const std::string phonebook = RecordFile<PhonebookEntryRecord>::CurrentDirectoryPath();
    const std::string messages = RecordFile<MessageRecord>::CurrentDirectoryPath();
    fs::current_path(before);
    EXPECT_EQ((fs::canonical(dir_) / "vc.dat").string(), phonebook);
    EXPECT_EQ((fs::canonical(dir_) / "sms.dat").string(), messages);
}

// A disk that fills up in the middle of a save: the file size limit makes the write
// fail after some bytes, as ENOSPC would.
TEST_F(RecordFileTest, FailedSaveKeepsThePreviousFile) {
    const std::string path = Path("sms.dat");
    const std::vector<MessageRecord> old{{"10086", "08:00:00", "余额提醒"}};
    ASSERT_TRUE(RecordFile<MessageRecord>::Write(path, old));
    const std::string before = Contents(path);

    std::vector<MessageRecord> many(20, MessageRecord{"10010", "09:00:00", "新消息"});
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    const bool written = RecordFile<MessageRecord>::Write(path, many);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(before, Contents(path));
    EXPECT_EQ(old, RecordFile<MessageRecord>::Read(path));
    // No temporary file is left behind.
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
}

}  // namespace
}  // namespace veltro
