#include <gtest/gtest.h>

#include <string>

#include "DriverLog.h"
#include "TrialVerdict.h"
#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"
#include "records/RecordFile.h"

namespace veltro {
namespace {

std::string Contacts(int count) {
    std::vector<PhonebookEntryRecord> records;
    for (int i = 0; i < count; ++i) {
        records.push_back({"c" + std::to_string(i), "139" + std::to_string(i)});
    }
    return RecordFile<PhonebookEntryRecord>::Encode(records);
}

std::string Inbox(const std::vector<std::string>& texts) {
    std::vector<MessageRecord> records;
    for (const std::string& text : texts) {
        records.push_back({"10086", "12:00:00", text});
    }
    return RecordFile<MessageRecord>::Encode(records);
}

// A run that loaded one contact and an inbox of "a", saved two contacts, was killed
// while saving three, and had announced the inbox "a", "b".
class TrialVerdictTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string h = TrialVerdict::Hash(Contacts(1));
        log_ = "5 loaded " + h + " " + TrialVerdict::Hash(Inbox({"a"})) + "\n" + "900 ready\n" +
               "950 vc-next " + TrialVerdict::Hash(Contacts(2)) + "\n" + "952 vc-done\n" +
               "960 cycle-begin\n" + "970 sms-next " + TrialVerdict::Hash(Inbox({"a", "b"})) +
               "\n" + "990 vc-next " + TrialVerdict::Hash(Contacts(3)) + "\n";
        facts_.vcAtStart = h;
        facts_.smsAtStart = TrialVerdict::Hash(Inbox({"a"}));
        facts_.vcBytes = Contacts(2);
        facts_.smsBytes = Inbox({"a", "b"});
        facts_.messages = {{"a", MessagePlace::kFileOnly}, {"b", MessagePlace::kDeletedFromSim}};
    }

    TrialVerdict Judge() const { return TrialVerdict::Judge(DriverLog::Parse(log_), facts_); }

    std::string log_;
    TrialFacts facts_;
};

TEST_F(TrialVerdictTest, TheOldOrTheNewPhonebookPasses) {
    EXPECT_TRUE(Judge().violations.empty());
    EXPECT_EQ(TrialVerdict::Moment::kVcSave, Judge().moment);
    facts_.vcBytes = Contacts(3);
    EXPECT_TRUE(Judge().violations.empty());
    EXPECT_EQ(1, DriverLog::Parse(log_).contactSaves);
}

TEST_F(TrialVerdictTest, ACutOrOlderPhonebookFails) {
    facts_.vcBytes = Contacts(3).substr(0, 100);
    EXPECT_EQ(2u, Judge().violations.size()) << "a cut record, an unknown content";
    facts_.vcBytes = Contacts(1);
    ASSERT_EQ(1u, Judge().violations.size()) << "the contact saved at 952 ms is gone";
}

TEST_F(TrialVerdictTest, MessagesAreCountedInTheInbox) {
    facts_.smsBytes = Inbox({"a"});
    facts_.messages["b"] = MessagePlace::kUnreadOnSim;
    EXPECT_TRUE(Judge().violations.empty()) << "the loaded inbox is whole";
    facts_.messages["b"] = MessagePlace::kDeletedFromSim;
    facts_.messages["c"] = MessagePlace::kReadOnSim;
    facts_.messages["d"] = MessagePlace::kUnreadOnSim;
    ASSERT_EQ(1u, Judge().violations.size()) << "c and d are fetched by the next run";
    EXPECT_EQ("lost: b", Judge().violations[0]);
    facts_.drained = true;
    const TrialVerdict verdict = Judge();
    ASSERT_EQ(3u, verdict.violations.size());
    EXPECT_EQ("still on the SIM after all cycles: c", verdict.violations[1]);
    EXPECT_EQ("still unread on the SIM: d", verdict.violations[2]);
    facts_.drained = false;

    log_ += "999 sms-next " + TrialVerdict::Hash(Inbox({"a", "b", "b", "c"})) + "\n";
    facts_.smsBytes = Inbox({"a", "b", "b", "c"});
    ASSERT_EQ(1u, Judge().violations.size());
    EXPECT_EQ("shown 2 times: b", Judge().violations[0]);
}

TEST_F(TrialVerdictTest, PartsOffTheSimAreStoredOrShown) {
    facts_.messages["long"] = MessagePlace::kReadOnSim;
    facts_.parted["long"] = {2, {1}, {1}};
    EXPECT_TRUE(Judge().violations.empty()) << "part 1 waits in the store for part 2";
    facts_.parted["long"] = {2, {1, 2}, {1}};
    facts_.messages["long"] = MessagePlace::kDeletedFromSim;
    ASSERT_EQ(2u, Judge().violations.size());
    EXPECT_EQ("lost: long", Judge().violations[0]);
    EXPECT_EQ("lost part 2 of: long", Judge().violations[1]);

    log_ += "999 sms-next " + TrialVerdict::Hash(Inbox({"a", "b", "long"})) + "\n";
    facts_.smsBytes = Inbox({"a", "b", "long"});
    ASSERT_EQ(1u, Judge().violations.size()) << "shown, with only part 1 stored";
    EXPECT_EQ("some parts of a shown message still stored: long", Judge().violations[0]);
    facts_.parted["long"].inStore = {1, 2};
    EXPECT_TRUE(Judge().violations.empty()) << "shown before its parts left the store";
    facts_.drained = true;
    ASSERT_EQ(1u, Judge().violations.size());
    EXPECT_EQ("parts still waiting after all cycles: long", Judge().violations[0]);
}

TEST_F(TrialVerdictTest, MomentsAndDebris) {
    log_ += "995 vc-done\n";
    facts_.vcBytes = Contacts(3);
    EXPECT_EQ(TrialVerdict::Moment::kInboxCycle, Judge().moment);
    facts_.newDebris = {"sms.dat.77.1f.0"};
    EXPECT_EQ(TrialVerdict::Moment::kSmsSave, Judge().moment);
    facts_.oldDebris = {"vc.dat.12.3a.4"};
    EXPECT_EQ(1u, Judge().violations.size());
    log_ += "1200 cycle-end\n";
    facts_.newDebris.clear();
    EXPECT_EQ(TrialVerdict::Moment::kIdle, Judge().moment);
    EXPECT_EQ(TrialVerdict::Moment::kStartUp,
              TrialVerdict::Judge(DriverLog::Parse("5 loaded x y\n"), facts_).moment);
    EXPECT_FALSE(TrialVerdict::Judge(DriverLog::Parse("5 loaded x y\n"), facts_).violations.empty())
        << "loaded something else than the files held";
}

}  // namespace
}  // namespace veltro
