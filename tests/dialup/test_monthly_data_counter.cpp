#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "dialup/MonthlyDataCounter.h"

namespace veltro {
namespace {

namespace fs = std::filesystem;

// 2026-12-31 23:59:00 and 2027-01-01 00:00:30, local time.
std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

class MonthlyDataCounterTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("usage-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        path = (dir / "veltrogprs" / "data-usage").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    MonthlyDataCounter Counter() {
        return MonthlyDataCounter(path, [this] { return now; });
    }

    fs::path dir;
    std::string path;
    std::time_t now = LocalTime(2026, 12, 31, 23, 0, 0);
};

// Two connections add up; the month's change starts a new total while the old month
// stays in the file; a restart reads both back; the file is private.
TEST_F(MonthlyDataCounterTest, ConnectionsAddUpPerMonthAndSurviveARestart) {
    MonthlyDataCounter counter = Counter();
    ASSERT_TRUE(counter.Load());
    counter.BeginConnection();
    counter.Update(1000, 100);
    counter.Update(5000, 300);
    ASSERT_TRUE(counter.Save());
    counter.BeginConnection();
    counter.Update(2000, 200);
    // A new link under the same connection: its counters start again.
    counter.Update(500, 50);
    EXPECT_EQ(7500u, counter.ThisMonth().received);
    EXPECT_EQ(550u, counter.ThisMonth().sent);

    now = LocalTime(2027, 1, 1, 0, 0, 30);
    counter.Update(1500, 60);
    EXPECT_EQ(1000u, counter.ThisMonth().received);
    EXPECT_EQ(10u, counter.ThisMonth().sent);
    ASSERT_TRUE(counter.Save());

    MonthlyDataCounter again = Counter();
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(1010u, again.ThisMonth().Bytes());
    now = LocalTime(2026, 12, 1, 12, 0, 0);
    EXPECT_EQ(8050u, again.ThisMonth().Bytes());

    struct stat info {};
    ASSERT_EQ(0, ::stat(path.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);
}

// 90 % and 100 % warn once each a month, also after a restart; a new month warns again.
TEST_F(MonthlyDataCounterTest, CapWarnsOnceAtEachLevel) {
    MonthlyDataCounter counter = Counter();
    counter.Load();
    counter.BeginConnection();
    counter.Update(800, 0);
    EXPECT_EQ(0, counter.TakeWarning(1000));
    EXPECT_EQ(0, counter.TakeWarning(0));
    counter.Update(900, 0);
    EXPECT_EQ(90, counter.TakeWarning(1000));
    EXPECT_EQ(0, counter.TakeWarning(1000));
    counter.Save();

    MonthlyDataCounter again = Counter();
    again.Load();
    again.BeginConnection();
    again.Update(50, 0);
    EXPECT_EQ(0, again.TakeWarning(1000));
    again.Update(100, 0);
    EXPECT_EQ(100, again.TakeWarning(1000));
    EXPECT_EQ(0, again.TakeWarning(1000));

    now = LocalTime(2027, 1, 2, 0, 0, 0);
    again.Update(1200, 0);
    EXPECT_EQ(100, again.TakeWarning(1000));
}

// A damaged file is moved aside and counting starts anew; a file that cannot be read is
// never written over.
TEST_F(MonthlyDataCounterTest, DamagedFileIsSetAsideAndUnreadableFileKept) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "2026-12 12 34 0\nnot a month\n";
    MonthlyDataCounter counter = Counter();
    EXPECT_FALSE(counter.Load());
    EXPECT_NE(std::string::npos, counter.Problem().find("damaged"));
    int setAside = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
        setAside += entry.path().filename().string().rfind("data-usage.damaged-", 0) == 0;
    }
    EXPECT_EQ(1, setAside);
    EXPECT_EQ(0u, counter.ThisMonth().Bytes());
    EXPECT_TRUE(counter.Save());

    fs::remove(path);
    fs::create_directory(path);  // not a file: cannot be read as one
    MonthlyDataCounter blocked = Counter();
    EXPECT_FALSE(blocked.Load());
    blocked.Update(10, 10);
    EXPECT_FALSE(blocked.Save());
    EXPECT_TRUE(fs::is_directory(path));
}

}  // namespace
}  // namespace veltro
