#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"
#include "modem/GbkText.h"

namespace veltro {
namespace {

std::string FieldBytes(const char* data, std::size_t width) {
    return std::string(data, std::find(data, data + width, '\0'));
}

struct NameCase {
    const char* label;
    const char* name;
    const char* stored;  // what reads back, UTF-8
};

class PhonebookNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(PhonebookNameTest, StoresAtMostFifteenBytesWithoutSplittingACharacter) {
    const PhonebookEntryRecord record{GetParam().name, "13800138000"};
    const auto bytes = record.Encode();
    const std::string stored = FieldBytes(bytes.data(), PhonebookEntryRecord::kNameWidth);
    EXPECT_LE(stored.size(), PhonebookEntryRecord::kNameWidth - 1);
    // The kept bytes are whole GBK characters: they convert back without a
    // replacement character.
    EXPECT_EQ(GetParam().stored, GbkText::ToUtf8(stored));
    const auto back = PhonebookEntryRecord::Decode(bytes);
    EXPECT_EQ(GetParam().stored, back.name);
    EXPECT_EQ("13800138000", back.number);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PhonebookNameTest,
    testing::Values(NameCase{"short_chinese", "张三", "张三"},
                    NameCase{"seven_characters_fit", "欧阳司马诸葛长", "欧阳司马诸葛长"},
                    // Seven characters are 14 bytes; the one byte left never takes half
                    // of the eighth.
                    NameCase{"eight_characters_cut_to_seven", "欧阳司马诸葛长孙", "欧阳司马诸葛长"},
                    // Two ASCII bytes first move the boundary: 2 + 6 * 2 = 14 bytes.
                    NameCase{"odd_boundary", "AB欧阳司马诸葛长", "AB欧阳司马诸葛"},
                    NameCase{"ascii_cut_at_fifteen", "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNO"},
                    NameCase{"empty", "", ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(MessageRecordTest, NumberComesFirstThenTimeThenContent) {
    const MessageRecord record{"+8613800138000", "12:30:05", "你好，明天见"};
    const auto bytes = record.Encode();
    ASSERT_EQ(320u, bytes.size());
    EXPECT_EQ("+8613800138000", FieldBytes(bytes.data(), 32));
    EXPECT_EQ("12:30:05", FieldBytes(bytes.data() + 32, 32));
    EXPECT_EQ(*GbkText::FromUtf8("你好，明天见"), FieldBytes(bytes.data() + 64, 256));
    // Bytes after each terminator are zero, so equal lists give equal files.
    EXPECT_TRUE(std::all_of(bytes.begin() + 64 + 12, bytes.end(), [](char c) { return c == 0; }));
    EXPECT_EQ(record, MessageRecord::Decode(bytes));
}

TEST(MessageRecordTest, LongContentIsCutToTwoHundredFiftyFiveBytes) {
    std::string content;
    for (int i = 0; i < 200; ++i) {
        content += "短";
    }
    const auto back = MessageRecord::Decode(MessageRecord{"10086", "08:00:00", content}.Encode());
    // 127 characters are 254 bytes; the 128th would need byte 256, the terminator's.
    EXPECT_EQ(content.substr(0, 127 * 3), back.content);
}

TEST(MessageRecordTest, FieldsWithoutTerminatorsReadAtMostTheirWidth) {
    std::array<char, MessageRecord::kSize> bytes;
    std::fill(bytes.begin(), bytes.begin() + 32, '1');
    std::fill(bytes.begin() + 32, bytes.begin() + 64, '2');
    std::fill(bytes.begin() + 64, bytes.end(), 'x');
    const auto record = MessageRecord::Decode(bytes);
    EXPECT_EQ(std::string(32, '1'), record.number);
    EXPECT_EQ(std::string(32, '2'), record.time);
    EXPECT_EQ(std::string(256, 'x'), record.content);
}

TEST(PhonebookEntryRecordTest, TextsOutsideGbkAndBytesAfterTerminatorsAreHandled) {
    const auto bytes = PhonebookEntryRecord{"李😀", "10086"}.Encode();
    EXPECT_EQ("李?", PhonebookEntryRecord::Decode(bytes).name);

    std::array<char, PhonebookEntryRecord::kSize> dirty;
    std::fill(dirty.begin(), dirty.end(), 'z');
    dirty[2] = '\0';
    dirty[16 + 5] = '\0';
    const auto record = PhonebookEntryRecord::Decode(dirty);
    EXPECT_EQ("zz", record.name);
    EXPECT_EQ("zzzzz", record.number);
}

}  // namespace
}  // namespace veltro
