#include "pages/InboxPoller.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <array>
#include <ctime>
#include <optional>
#include <utility>

#include "modem/MessageContent.h"
#include "modem/ModemEngine.h"
#include "pages/ModemJob.h"
#include "pages/PageHost.h"
#include "pages/SmsInboxPage.h"
#include "records/MessageRecord.h"

namespace veltro {

namespace {

template <typename T>
bool Contains(const std::vector<T>& items, const T& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

void AppendNew(std::vector<std::string>& to, const std::vector<std::string>& from) {
    for (const std::string& index : from) {
        if (!Contains(to, index)) {
            to.push_back(index);
        }
    }
}

// True when the list holds a message from number with this text, as shown or as
// "sms.dat" keeps it (an 8-bit message shown in hexadecimal may be cut there).
bool Lists(const InboxModel& list, const std::string& number, const std::string& text) {
    const MessageRecord kept = MessageRecord::Decode(MessageRecord{number, {}, text}.Encode());
    const QString numbers[] = {QString::fromStdString(number), QString::fromStdString(kept.number)};
    const QString texts[] = {QString::fromStdString(text), QString::fromStdString(kept.content)};
    return std::any_of(list.BottomFirst().begin(), list.BottomFirst().end(),
                       [&](const InboxModel::Entry& entry) {
                           return (entry.number == numbers[0] || entry.number == numbers[1]) &&
                                  (entry.content == texts[0] || entry.content == texts[1]);
                       });
}

// The indices a listing names, in the modem's order, those beyond the slots last.
std::vector<std::string> ListIndices(ModemEngine& engine, bool unread, bool* whole) {
    std::array<ModemEngine::MessageIndexSlot, InboxPoller::kIndexSlots> listed{};
    int count = 0;
    std::vector<std::string> beyond;
    const bool done = engine.ListMessages(listed, &count, unread, &beyond);
    std::vector<std::string> indices;
    for (int i = 0; i < count; ++i) {
        indices.emplace_back(listed[static_cast<std::size_t>(i)].data());
    }
    indices.insert(indices.end(), beyond.begin(), beyond.end());
    if (whole != nullptr) {
        *whole = done;
    }
    return indices;
}

QString LocalTimeNow() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

InboxPoller::InboxPoller(SmsInboxPage& page, PageHost& host) : page_(page), host_(host) {}

void InboxPoller::Show(const std::string& number, const std::string& text) {
    page_.AddMessage(
        {LocalTimeNow(), QString::fromStdString(number), QString::fromStdString(text)});
    host_.ShowNewMessageIcon();
    host_.Announce(
        PageHost::kInboxView,
        QCoreApplication::translate("InboxPoller", "新短信：") + QString::fromStdString(number),
        QString::fromStdString(text));
}

bool InboxPoller::Take(const ReceivedMessage& message, bool recovered) {
    const MessageContent content = MessageContent::Of(message);
    if (!content.isPart) {
        if (!recovered || !Listed(content.number, content.text)) {
            Show(content.number, content.text);
        }
        return true;
    }
    const PartStore::Part part{content.number,   content.reference,  content.total,
                               content.sequence, std::time(nullptr), content.text};
    PartStore::Key key;
    if (!parts_.Add(part, &key)) {
        return false;
    }
    if (recovered && !Contains(mayBeListed_, key)) {
        mayBeListed_.push_back(key);
    }
    ShowJoined();
    return true;
}

bool InboxPoller::Listed(const std::string& number, const std::string& text) const {
    return Lists(page_.Messages(), number, text);
}

void InboxPoller::ShowJoined() {
    for (const PartStore::Joined& message : parts_.Ready(std::time(nullptr), kPartWaitSeconds)) {
        const PartStore::Key& key = message.key;
        if (Contains(joined_, key)) {
            continue;
        }
        const bool mayBeListed = Contains(mayBeListed_, key);
        joined_.push_back(key);
        if (!mayBeListed) {
            mayBeListed_.push_back(key);
        }
        if (!mayBeListed || !Listed(key.number, message.text)) {
            Show(key.number, message.text);
        }
    }
}

void InboxPoller::Start() {
    if (Running()) {
        return;
    }
    ModemSession& session = host_.Session();
    if (!session.HasEngine()) {
        return;
    }
    if (!partsLoaded_) {
        parts_.Load();
        partsLoaded_ = true;
        for (const PartStore::Joined& message :
             parts_.Ready(std::time(nullptr), kPartWaitSeconds)) {
            mayBeListed_.push_back(message.key);
        }
    }
    phase_ = Phase::Listing;
    const int generation = ++generation_;
    if (reconciled_) {
        ListUnread(generation, true);
        return;
    }
    RunModemJob<std::vector<std::string>>(
        session, ModemSession::Priority::Background, &page_,
        [](ModemEngine& engine) {
            engine.SetSignalReport(false);
            return ListIndices(engine, false, nullptr);
        },
        [this, generation](std::optional<std::vector<std::string>> read) {
            if (!Current(generation)) {
                return;
            }
            if (!read) {
                Finish();
                return;
            }
            Reconcile(*read);
            ListUnread(generation, false);
        });
}

void InboxPoller::Reconcile(const std::vector<std::string>& read) {
    std::vector<std::string> taken = InboxJournal::Taken(journal_.Load(), read);
    // What this run had listed and not deleted when the card went: the slot of a
    // delete on the way may hold a new message by now, unread and so not listed here.
    for (const std::string& index : read) {
        if (Contains(pendingReads_, index) || Contains(pendingDeletes_, index)) {
            AppendNew(taken, {index});
        }
    }
    kept_.clear();
    for (const std::string& index : read) {
        if (!Contains(taken, index)) {
            kept_.push_back(index);
        }
    }
    recovered_ = taken;
    pendingReads_ = std::move(taken);
    pendingDeletes_.clear();
    reconciled_ = true;
}

void InboxPoller::WriteJournal(bool listing) {
    InboxJournal::State state{listing, kept_, pendingReads_};
    AppendNew(state.taken, pendingDeletes_);
    if (written_ != state && journal_.Save(state)) {
        written_ = std::move(state);
    }
}

void InboxPoller::ListUnread(int generation, bool first) {
    // A failed write leaves the messages on the SIM all the same; the save that comes
    // before any delete reports a folder that cannot be written.
    WriteJournal(true);
    RunModemJob<Listing>(
        host_.Session(), ModemSession::Priority::Background, &page_,
        [first](ModemEngine& engine) {
            if (first) {
                engine.SetSignalReport(false);
            }
            Listing listing;
            listing.unread = ListIndices(engine, true, &listing.whole);
            return listing;
        },
        [this, generation](std::optional<Listing> listing) {
            if (!listing) {
                if (Current(generation)) {
                    Finish();
                }
                return;
            }
            // What was listed is marked read on the SIM: it is kept to be read even
            // when the cycle was stopped meanwhile.
            AppendNew(pendingReads_, listing->unread);
            WriteJournal(false);
            if (Current(generation)) {
                OnListed(*listing);
            }
        });
}

void InboxPoller::OnListed(const Listing& listing) {
    // Messages left over from earlier cycles come first: they are the oldest.
    // Slots set aside come last, once each.
    toRead_.clear();
    for (const bool aside : {false, true}) {
        for (const std::string& index : pendingReads_) {
            if (Contains(setAside_, index) == aside) {
                toRead_.push_back(index);
            }
        }
    }
    current_ = 0;
    attempt_ = 0;
    failures_.clear();
    fetched_.clear();
    joined_.clear();
    ShowJoined();
    if (!listing.whole && toRead_.empty() && pendingDeletes_.empty() && joined_.empty()) {
        Finish();
        return;
    }
    phase_ = Phase::Reading;
    ReadNext();
}

void InboxPoller::ReadNext() {
    ModemSession& session = host_.Session();
    if (current_ >= toRead_.size() || attempt_ >= kMaxReadAttempts || session.DeviceGone()) {
        if (session.DeviceGone()) {
            reconciled_ = false;
        }
        SettleReads();
        // Nothing leaves the SIM before it is in "sms.dat" (or, for a part, in the part
        // store): the list in memory alone would not survive a crash.
        const int generation = generation_;
        const bool saved = host_.SaveDataFiles();
        if (!Current(generation)) {
            return;  // stopped during the save: the deletes wait for a later cycle
        }
        if (!saved) {
            host_.SetStatusText(QCoreApplication::translate("InboxPoller", kSaveFailedText));
            Finish();
            return;
        }
        phase_ = Phase::Deleting;
        deletes_ = std::exchange(pendingDeletes_, {});
        deleteAt_ = 0;
        allDeleted_ = true;
        DeleteNext();
        return;
    }
    ++attempt_;
    const int generation = generation_;
    RunModemJob<std::optional<ReceivedMessage>>(
        session, ModemSession::Priority::Background, &page_,
        [index = toRead_[current_]](ModemEngine& engine) {
            ReceivedMessage message;
            return engine.ReadMessage(index, &message) ? std::optional(message) : std::nullopt;
        },
        [this, generation](std::optional<std::optional<ReceivedMessage>> message) {
            if (Current(generation)) {
                OnRead(message.value_or(std::nullopt));
            }
        });
}

void InboxPoller::OnRead(const std::optional<ReceivedMessage>& message) {
    const std::string& index = toRead_[current_];
    if (message) {
        std::erase(setAside_, index);
        if (Take(*message, Contains(recovered_, index))) {
            fetched_.push_back(index);
        }
        ++current_;
    } else if (++failures_[index] >= (Contains(setAside_, index) ? 1 : kSetAsideFailures)) {
        AppendNew(setAside_, {index});
        ++current_;
    }
    ReadNext();
}

void InboxPoller::SettleReads() {
    std::erase_if(recovered_,
                  [this](const std::string& index) { return Contains(fetched_, index); });
    pendingReads_.clear();
    for (const std::string& index : toRead_) {
        if (!Contains(fetched_, index)) {
            pendingReads_.push_back(index);
        }
    }
    AppendNew(pendingDeletes_, fetched_);
}

void InboxPoller::DeleteNext() {
    // A card that has gone leaves the rest to a later cycle.
    if (deleteAt_ < deletes_.size() && host_.Session().DeviceGone()) {
        allDeleted_ = false;
        reconciled_ = false;
        AppendNew(pendingDeletes_,
                  {deletes_.begin() + static_cast<long>(deleteAt_), deletes_.end()});
        deleteAt_ = deletes_.size();
    }
    if (deleteAt_ >= deletes_.size()) {
        // A joined message's parts leave the store only once the SIM holds none of them:
        // a run that ends before then leaves them whole in the store, where the next run
        // finds the message in the list. So do parts that a failed removal left there.
        if (allDeleted_) {
            parts_.Remove(joined_);
            std::erase_if(mayBeListed_,
                          [this](const PartStore::Key& key) { return Contains(joined_, key); });
        }
        RunModemJob<bool>(
            host_.Session(), ModemSession::Priority::Background, &page_,
            [](ModemEngine& engine) { return engine.ClearResponse(); }, [](std::optional<bool>) {});
        Finish();
        return;
    }
    const int generation = generation_;
    // The reads' answers are still in the buffer: their "OK" would pass for the answer
    // of a refused delete.
    const bool first = deleteAt_ == 0;
    struct Deleted {
        bool done;
        bool gone;
    };
    RunModemJob<Deleted>(
        host_.Session(), ModemSession::Priority::Background, &page_,
        [index = deletes_[deleteAt_], first](ModemEngine& engine) {
            if (first) {
                engine.ClearResponse();
            }
            const bool done = engine.DeleteMessage(index);
            return Deleted{done, engine.DeviceGone()};
        },
        [this, generation](std::optional<Deleted> deleted) {
            if (Current(generation)) {
                OnDeleted(deleted && deleted->done, !deleted || deleted->gone);
            }
        });
}

void InboxPoller::OnDeleted(bool deleted, bool deviceGone) {
    ++deleteAt_;
    if (!deleted) {
        allDeleted_ = false;
        // The delete the card went away in may have been carried out, and its slot may
        // hold a new message by then: the next cycle lists the read messages first and
        // deletes only what is still there read, after reading it again.
        if (deviceGone) {
            reconciled_ = false;
            AppendNew(pendingDeletes_,
                      {deletes_.begin() + static_cast<long>(deleteAt_) - 1, deletes_.end()});
            deleteAt_ = deletes_.size();
        }
    }
    DeleteNext();
}

void InboxPoller::Cancel() {
    switch (phase_) {
        case Phase::Idle:
        case Phase::Listing:
            break;
        case Phase::Reading:
            SettleReads();
            break;
        case Phase::Deleting:
            // The delete on the way is carried out; the rest wait for a later cycle.
            allDeleted_ = false;
            if (deleteAt_ < deletes_.size()) {
                AppendNew(pendingDeletes_,
                          {deletes_.begin() + static_cast<long>(deleteAt_) + 1, deletes_.end()});
            }
            break;
    }
    if (Running()) {
        Finish();
    }
}

void InboxPoller::Finish() {
    // A listing on the way may still mark messages read: its own result writes the
    // journal.
    if (phase_ != Phase::Listing) {
        WriteJournal(false);
    }
    phase_ = Phase::Idle;
    ++generation_;
    emit page_.cycleFinished();
}

}  // namespace veltro
