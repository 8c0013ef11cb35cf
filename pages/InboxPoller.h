#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "modem/ReceivedMessage.h"
#include "records/InboxJournal.h"
#include "records/PartStore.h"

namespace veltro {

class PageHost;
class SmsInboxPage;

// One poll cycle of the inbox page: it lists the unread messages on the SIM, reads
// them into the inbox list, writes "sms.dat" and only then deletes from the SIM what
// reached that file. Each step talking to the modem (the listing, each read, each
// delete) is a background job of the modem session, so a user's action waits for one
// step at most; the steps' results come back on the user-interface thread, which keeps
// the cycle's state.
//
// A listing or a read marks a message read on the SIM, so a message listed but not
// fetched would never be listed as unread again: such indices are kept and read by the
// next cycles. So are messages added to the list whose save failed: they are deleted
// by the first cycle whose save succeeds. Parts of concatenated messages wait in the
// part store on disk until the whole message can be shown.
//
// Read messages the user kept on the SIM are theirs: the journal (InboxJournal),
// written before each listing, tells them from those this program took. The first
// cycle of a run, and the first after the card was gone, lists the read messages and
// takes back only those the journal names, reading them again before it deletes any.
//
// A slot that fails kSetAsideFailures reads in a cycle is set aside: the cycle goes on
// with the other messages, and later cycles try it once each, after the others.
class InboxPoller {
public:
    static constexpr std::size_t kIndexSlots = 50;
    static constexpr int kMaxReadAttempts = 22;
    static constexpr int kSetAsideFailures = 2;
    // Parts of a message still incomplete after this long are shown as they are.
    static constexpr long long kPartWaitSeconds = 24 * 60 * 60;
    static constexpr const char* kSaveFailedText =
        QT_TRANSLATE_NOOP("InboxPoller", "无法保存短信文件sms.dat，短信仍保留在SIM卡上");

    InboxPoller(SmsInboxPage& page, PageHost& host);

    // Starts one cycle unless one is running; finished() of the page tells its end.
    void Start();
    // Stops the running cycle at once: what it fetched is kept for the next cycle, and
    // the results of its steps still on the way are dropped.
    void Cancel();
    bool Running() const { return phase_ != Phase::Idle; }

    // Indices listed but not yet read, and indices read but not yet deleted.
    const std::vector<std::string>& PendingReads() const { return pendingReads_; }
    const std::vector<std::string>& PendingDeletes() const { return pendingDeletes_; }

private:
    enum class Phase { Idle, Listing, Reading, Deleting };
    struct Listing {
        bool whole = false;
        std::vector<std::string> unread;
    };

    // Takes back what the journal names of the read messages listed; the others are
    // the user's.
    void Reconcile(const std::vector<std::string>& read);
    void ListUnread(int generation, bool first);
    void OnListed(const Listing& listing);
    // Writes the journal unless it holds this state already.
    void WriteJournal(bool listing);
    void ReadNext();
    void OnRead(const std::optional<ReceivedMessage>& message);
    // Ends the reads: what was fetched waits for its delete, what was not for a read.
    void SettleReads();
    void DeleteNext();
    void OnDeleted(bool deleted, bool deviceGone);
    void Finish();
    // Whether a step's result belongs to the cycle that is running.
    bool Current(int generation) const { return generation == generation_ && Running(); }

    // Adds what message carries to the list (or to the part store): true when it is
    // kept somewhere that outlives the program once "sms.dat" is written. A recovered
    // message (one an earlier run read) that the list holds already is not added again,
    // nor is a joined message with a recovered part.
    bool Take(const ReceivedMessage& message, bool recovered);
    void Show(const std::string& number, const std::string& text);
    // Whether the list holds a message from number with this text.
    bool Listed(const std::string& number, const std::string& text) const;
    // Shows each message of the part store that is whole (or has waited long enough)
    // once, and adds its key to joined_: its parts go once "sms.dat" is written and the
    // SIM holds none of them.
    void ShowJoined();

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
    InboxJournal journal_;
    std::optional<InboxJournal::State> written_;
    // Whether this run has told its own read messages from the user's, and which are
    // the user's.
    bool reconciled_ = false;
    std::vector<std::string> kept_;
    // Read messages taken back from an earlier run, or after the card was gone, until
    // they are fetched: the list may hold them already.
    std::vector<std::string> recovered_;
    std::vector<std::string> setAside_;

    // The running cycle.
    Phase phase_ = Phase::Idle;
    int generation_ = 0;
    std::vector<std::string> toRead_;
    std::size_t current_ = 0;
    int attempt_ = 0;
    std::map<std::string, int> failures_;
    std::vector<std::string> fetched_;
    std::vector<PartStore::Key> joined_;
    std::vector<std::string> deletes_;
    std::size_t deleteAt_ = 0;
    bool allDeleted_ = true;
};

}  // namespace veltro
