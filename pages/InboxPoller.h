#pragma once

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "records/PartStore.h"
#include "modem/ReceivedMessage.h"

namespace veltro {

class ModemEngine;
class PageHost;
class SmsInboxPage;

// PollInbox: one poll cycle of the inbox page, run on a worker thread. It lists the
// unread messages on the SIM, reads them into the inbox list, writes "sms.dat" and
// only then deletes from the SIM what reached that file.
//
// A listing or a read marks a message read on the SIM, so a message listed but not
// fetched would never be listed as unread again: such indices are kept and read by the
// next cycles, and the first cycle of a run reads those an earlier run left read. So
// are messages added to the list whose save failed: they are deleted by the first
// cycle whose save succeeds. Parts of concatenated messages wait in the part store on
// disk until the whole message can be shown.
class InboxPoller {
public:
    static constexpr std::size_t kIndexSlots = 50;
    static constexpr int kMaxReadAttempts = 22;
    static constexpr int kCallPollMs = 950;
    // Parts of a message still incomplete after this long are shown as they are.
    static constexpr long long kPartWaitSeconds = 24 * 60 * 60;
    static constexpr const char* kSaveFailedText = "无法保存短信文件sms.dat，短信仍保留在SIM卡上";

    InboxPoller(SmsInboxPage& page, PageHost& host);

    // One cycle; returns when it is done or stopped.
    void Run();

    // Indices listed but not yet read, and indices read but not yet deleted.
    const std::vector<std::string>& PendingReads() const { return pendingReads_; }
    const std::vector<std::string>& PendingDeletes() const { return pendingDeletes_; }

private:
    // Adds what message carries to the list (or to the part store): true when it is
    // kept somewhere that outlives the program once "sms.dat" is written. A recovered
    // message (one an earlier run read) that the list holds already is not added again,
    // nor is a joined message with a recovered part.
    bool Take(const ReceivedMessage& message, bool recovered, std::vector<PartStore::Key>* joined);
    void Show(const std::string& number, const std::string& text);
    // Whether the list holds a message from number with this text; nothing when the
    // cycle was stopped first.
    std::optional<bool> Listed(const std::string& number, const std::string& text);
    // Shows each message of the part store that is whole (or has waited long enough)
    // once, and adds its key to joined: its parts go once "sms.dat" is written and the
    // SIM holds none of them.
    void ShowJoined(std::vector<PartStore::Key>* joined);
    // Deletes indices from the SIM; true when every delete was carried out.
    bool DeleteFetched(ModemEngine& engine, std::vector<std::string> indices);

    SmsInboxPage& page_;
    PageHost& host_;
    PartStore parts_;
    bool partsLoaded_ = false;
    // Joined messages whose parts are still in the store and that may be in the list
    // already: shown by this run (a save or a delete failed), or by an earlier one
    // (whole when the store was loaded, or with a part it left read on the SIM). Each
    // is shown only when the list lacks it.
    std::vector<PartStore::Key> mayBeListed_;
    std::vector<std::string> pendingReads_;
    std::vector<std::string> pendingDeletes_;
    // Read messages found by the first cycle, until they are fetched.
    bool readListed_ = false;
    std::vector<std::string> recovered_;
};

}  // namespace veltro
