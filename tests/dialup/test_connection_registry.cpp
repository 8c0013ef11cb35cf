#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "dialup/ConnectionRegistry.h"

namespace veltro {
namespace {

// A record file whose text names another connection than its file name: Remove would
// delete that other connection's record, so the listing leaves it out as Find does.
TEST(ConnectionRegistryTest, ARecordUnderAnotherNameIsNotListed) {
    char pattern[] = "/tmp/registry-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    ConnectionRegistry registry(dir);
    ConnectionRecord record;
    record.handle = 8484;
    record.processStart = 1;
    record.ownerPid = 2;
    record.ownerStart = 3;
    record.entryName = "VLGPRS";
    ASSERT_TRUE(registry.Add(record));
    std::filesystem::rename(dir + "/8484.conn", dir + "/4242.conn");
    EXPECT_FALSE(registry.Find(4242).has_value());
    EXPECT_TRUE(registry.List().empty());

    std::filesystem::rename(dir + "/4242.conn", dir + "/8484.conn");
    ASSERT_EQ(1u, registry.List().size());
    EXPECT_EQ(8484, registry.List()[0].handle);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace veltro
