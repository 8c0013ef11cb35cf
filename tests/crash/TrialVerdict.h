#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "DriverLog.h"

namespace veltro {

// Where a message of a trial is after the window was killed.
enum class MessagePlace {
    kUnreadOnSim,     // not fetched yet
    kReadOnSim,       // listed or read by the window, not deleted
    kDeletedFromSim,  // the window deleted it: "sms.dat" must hold it
    kFileOnly,        // in "sms.dat" before the trials began
};

// A message sent in parts: which of them have left the SIM, and which of them
// "smsparts.dat" holds.
struct PartedMessage {
    std::size_t total = 0;
    std::set<int> offSim;
    std::set<int> inStore;
};

// What a trial found on disk and on the card after the kill.
struct TrialFacts {
    // SHA-256 of the data files when the window started.
    std::string vcAtStart;
    std::string smsAtStart;
    std::string vcBytes;
    std::string smsBytes;
    // "smstext.dat": the whole texts of the records that cut them.
    std::string smsTextBytes;
    // Temporary files beside the data files that this run left.
    std::vector<std::string> newDebris;
    // Temporary files of earlier runs still there after this run saved.
    std::vector<std::string> oldDebris;
    // Every message text handed out so far, by where it is. A message sent in parts
    // is on the SIM while any of its parts is.
    std::map<std::string, MessagePlace> messages;
    // The messages of those sent in parts, by their whole text.
    std::map<std::string, PartedMessage> parted;
    // The window ran until the SIM was empty: every message must be in "sms.dat".
    bool drained = false;
};

// The judgement of one trial: when the kill landed and every rule it broke.
struct TrialVerdict {
    enum class Moment { kStartUp, kVcSave, kSmsSave, kInboxCycle, kIdle };

    Moment moment = Moment::kIdle;
    std::vector<std::string> violations;
    int messagesInFile = 0;
    int deletedFromSim = 0;
    int readOnSim = 0;

    static TrialVerdict Judge(const DriverLog& log, const TrialFacts& facts);
    static std::string Hash(const std::string& bytes);
    static const char* MomentName(Moment moment);
};

}  // namespace veltro
