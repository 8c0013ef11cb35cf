#include "TrialVerdict.h"

#include <QCryptographicHash>

#include <algorithm>
#include <span>

#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"
#include "records/WholeTextFile.h"

namespace veltro {

namespace {

bool HasPrefix(const std::vector<std::string>& names, const std::string& prefix) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return name.rfind(prefix, 0) == 0; });
}

TrialVerdict::Moment MomentOf(const DriverLog& log, const TrialFacts& facts) {
    if (!log.ready) {
        return TrialVerdict::Moment::kStartUp;
    }
    if (HasPrefix(facts.newDebris, "vc.dat.") || !log.pendingVc.empty()) {
        return TrialVerdict::Moment::kVcSave;
    }
    if (HasPrefix(facts.newDebris, "sms.dat.") || HasPrefix(facts.newDebris, "smstext.dat.")) {
        return TrialVerdict::Moment::kSmsSave;
    }
    return log.inCycle ? TrialVerdict::Moment::kInboxCycle : TrialVerdict::Moment::kIdle;
}

// How often each text occurs in the records of "sms.dat", whole as "smstext.dat" has it.
std::map<std::string, int> ContentCounts(const std::string& bytes, const std::string& texts) {
    std::vector<MessageRecord> records;
    for (std::size_t at = 0; at + MessageRecord::kSize <= bytes.size();
         at += MessageRecord::kSize) {
        records.push_back(MessageRecord::Decode(
            std::span<const char, MessageRecord::kSize>(bytes.data() + at, MessageRecord::kSize)));
    }
    WholeTextFile::Restore(records, WholeTextFile::Decode(texts));
    std::map<std::string, int> counts;
    for (const MessageRecord& record : records) {
        ++counts[record.content];
    }
    return counts;
}

void CheckFiles(const DriverLog& log, const TrialFacts& facts, std::vector<std::string>& out) {
    if (log.loadedVc != facts.vcAtStart || log.loadedSms != facts.smsAtStart) {
        out.push_back("the window did not load the files as they were");
    }
    if (facts.vcBytes.size() % PhonebookEntryRecord::kSize != 0) {
        out.push_back("vc.dat has a cut record");
    }
    const std::string vc = TrialVerdict::Hash(facts.vcBytes);
    if (vc != log.savedVc &&
        std::find(log.pendingVc.begin(), log.pendingVc.end(), vc) == log.pendingVc.end()) {
        out.push_back("vc.dat is neither the saved phonebook nor the one being saved");
    }
    if (facts.smsBytes.size() % MessageRecord::kSize != 0) {
        out.push_back("sms.dat has a cut record");
    }
    if (log.smsContents.count(TrialVerdict::Hash(facts.smsBytes)) == 0) {
        out.push_back("sms.dat is none of the inbox's contents");
    }
    for (const std::string& name : facts.oldDebris) {
        out.push_back("an earlier run's temporary file is still there: " + name);
    }
}

}  // namespace

TrialVerdict TrialVerdict::Judge(const DriverLog& log, const TrialFacts& facts) {
    TrialVerdict verdict;
    verdict.moment = MomentOf(log, facts);
    CheckFiles(log, facts, verdict.violations);

    const std::map<std::string, int> counts = ContentCounts(facts.smsBytes, facts.smsTextBytes);
    for (const auto& [content, count] : counts) {
        verdict.messagesInFile += count;
        if (count > 1) {
            verdict.violations.push_back("shown " + std::to_string(count) + " times: " + content);
        }
    }
    for (const auto& [text, place] : facts.messages) {
        const auto found = counts.find(text);
        const bool inFile = found != counts.end();
        switch (place) {
            case MessagePlace::kDeletedFromSim:
                ++verdict.deletedFromSim;
                [[fallthrough]];
            case MessagePlace::kFileOnly:
                if (!inFile) {
                    verdict.violations.push_back("lost: " + text);
                }
                break;
            // A message read but not yet deleted is fetched again by the next run.
            case MessagePlace::kReadOnSim:
                ++verdict.readOnSim;
                if (facts.drained) {
                    verdict.violations.push_back("still on the SIM after all cycles: " + text);
                }
                break;
            case MessagePlace::kUnreadOnSim:
                if (inFile || facts.drained) {
                    verdict.violations.push_back("still unread on the SIM: " + text);
                }
                break;
        }
    }
    // A part leaves the SIM only once it is in the part store, and its message leaves
    // the store, all parts at once, only once it is in "sms.dat" and off the SIM.
    for (const auto& [text, parts] : facts.parted) {
        const bool inFile = counts.count(text) != 0;
        for (const int sequence : parts.offSim) {
            if (!inFile && parts.inStore.count(sequence) == 0) {
                verdict.violations.push_back("lost part " + std::to_string(sequence) +
                                             " of: " + text);
            }
        }
        if (inFile && !parts.inStore.empty() && parts.inStore.size() != parts.total) {
            verdict.violations.push_back("some parts of a shown message still stored: " + text);
        }
        if (facts.drained && !parts.inStore.empty()) {
            verdict.violations.push_back("parts still waiting after all cycles: " + text);
        }
    }
    return verdict;
}

std::string TrialVerdict::Hash(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

const char* TrialVerdict::MomentName(Moment moment) {
    switch (moment) {
        case Moment::kStartUp:
            return "start-up";
        case Moment::kVcSave:
            return "vc.dat save";
        case Moment::kSmsSave:
            return "sms.dat save";
        case Moment::kInboxCycle:
            return "inbox cycle";
        case Moment::kIdle:
            return "idle";
    }
    return "?";
}

}  // namespace veltro
