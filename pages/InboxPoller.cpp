#include "pages/InboxPoller.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <ctime>
#include <optional>

#include "records/MessageRecord.h"
#include "modem/MessageContent.h"
#include "modem/ModemEngine.h"
#include "pages/CallPage.h"
#include "pages/PageHost.h"
#include "pages/SmsInboxPage.h"

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

QString LocalTimeNow() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

}  // namespace

InboxPoller::InboxPoller(SmsInboxPage& page, PageHost& host) : page_(page), host_(host) {}

void InboxPoller::Show(const std::string& number, const std::string& text) {
    InboxModel::Entry entry{LocalTimeNow(), QString::fromStdString(number),
                            QString::fromStdString(text)};
    page_.PostToUi([this, entry = std::move(entry)]() mutable {
        page_.AddMessage(std::move(entry));
        host_.ShowNewMessageIcon();
    });
}

bool InboxPoller::Take(const ReceivedMessage& message, bool recovered,
                       std::vector<PartStore::Key>* joined) {
    const MessageContent content = MessageContent::Of(message);
    if (!content.isPart) {
        if (recovered) {
            const std::optional<bool> listed = Listed(content.number, content.text);
            if (!listed) {
                return false;
            }
            if (*listed) {
                return true;
            }
        }
        Show(content.number, content.text);
        return true;
    }
    const PartStore::Part part{content.number,   content.reference,  content.total,
                               content.sequence, std::time(nullptr), content.text};
    if (!parts_.Add(part)) {
        return false;
    }
    const PartStore::Key key{part.number, part.reference, part.total};
    if (recovered && !Contains(mayBeListed_, key)) {
        mayBeListed_.push_back(key);
    }
    ShowJoined(joined);
    return true;
}

std::optional<bool> InboxPoller::Listed(const std::string& number, const std::string& text) {
    bool listed = false;
    if (!page_.CallOnUi([&] {
            listed = Lists(page_.Messages(), number, text);
            return true;
        })) {
        return std::nullopt;
    }
    return listed;
}

void InboxPoller::ShowJoined(std::vector<PartStore::Key>* joined) {
    for (const PartStore::Joined& message : parts_.Ready(std::time(nullptr), kPartWaitSeconds)) {
        const PartStore::Key& key = message.key;
        if (Contains(*joined, key)) {
            continue;
        }
        const bool mayBeListed = Contains(mayBeListed_, key);
        const std::optional<bool> listed =
            mayBeListed ? Listed(key.number, message.text) : std::optional<bool>(false);
        if (!listed) {
            continue;
        }
        joined->push_back(key);
        if (!mayBeListed) {
            mayBeListed_.push_back(key);
        }
        if (!*listed) {
            Show(key.number, message.text);
        }
    }
}

bool InboxPoller::DeleteFetched(ModemEngine& engine, std::vector<std::string> indices) {
    // A stopped cycle, or a card that has gone, leaves the rest to a later cycle. The
    // delete the card went away in is not tried again: it may have been carried out,
    // and the slot may hold a new message by then (a message left read on the SIM is
    // in "sms.dat" already; the next run's first cycle finds it listed and deletes it).
    // The reads' answers are still in the buffer: their "OK" would pass for the
    // answer of a refused delete.
    engine.ClearResponse();
    bool allDeleted = true;
    std::size_t i = 0;
    for (; i < indices.size(); ++i) {
        if (page_.CycleCancelled() || engine.DeviceGone()) {
            allDeleted = false;
            break;
        }
        if (!engine.DeleteMessage(indices[i])) {
            allDeleted = false;
            if (engine.DeviceGone()) {
                ++i;
                break;
            }
        }
    }
    AppendNew(pendingDeletes_, {indices.begin() + static_cast<long>(i), indices.end()});
    return allDeleted;
}

void InboxPoller::Run() {
    ModemEngine* engine = host_.Engine();
    if (engine == nullptr || page_.CycleCancelled()) {
        return;
    }
    // The whole cycle is one dialogue: a view switch or a poll tick that comes
    // meanwhile skips, and a send waits for the cycle to end.
    ModemClaim claim(engine->Gate(), ModemGate::Wait::Skip);
    if (!claim) {
        return;
    }
    const int generation = page_.Generation();
    if (!partsLoaded_) {
        parts_.Load();
        partsLoaded_ = true;
        for (const PartStore::Joined& message :
             parts_.Ready(std::time(nullptr), kPartWaitSeconds)) {
            mayBeListed_.push_back(message.key);
        }
    }

    engine->SetSignalReport(false);
    std::array<ModemEngine::MessageIndexSlot, kIndexSlots> indexSlots{};
    int count = 0;
    // Messages an earlier run read and did not delete: it ended between its listing and
    // its save (they are not in "sms.dat"), or between its save and its deletes (they
    // are). They are never listed as unread again, so the first cycle lists the read
    // ones, reads them and keeps those the list lacks.
    if (!readListed_) {
        readListed_ = true;
        std::vector<std::string> beyond;
        engine->ListMessages(indexSlots, &count, false, &beyond);
        for (int i = 0; i < count; ++i) {
            AppendNew(recovered_, {indexSlots[static_cast<std::size_t>(i)].data()});
        }
        AppendNew(recovered_, beyond);
        AppendNew(pendingReads_, recovered_);
    }
    std::vector<std::string> beyond;
    const bool listed = engine->ListMessages(indexSlots, &count, true, &beyond);
    // Messages left over from earlier cycles come first: they are the oldest.
    std::vector<std::string> toRead = pendingReads_;
    std::vector<std::string> listedIndices;
    for (int i = 0; i < count; ++i) {
        listedIndices.emplace_back(indexSlots[static_cast<std::size_t>(i)].data());
    }
    AppendNew(toRead, listedIndices);
    AppendNew(toRead, beyond);
    pendingReads_ = toRead;
    std::vector<PartStore::Key> joined;
    ShowJoined(&joined);
    if (!listed && toRead.empty() && pendingDeletes_.empty() && joined.empty()) {
        return;
    }
    if (page_.CycleCancelled() || !page_.CallOnUi([this] {
            host_.Call().StopTimer1();
            return true;
        })) {
        return;
    }

    std::vector<std::string> fetched;
    std::size_t current = 0;
    for (int attempt = 1; current < toRead.size() && attempt <= kMaxReadAttempts; ++attempt) {
        if (page_.CycleCancelled() || engine->DeviceGone()) {
            break;
        }
        ReceivedMessage message;
        if (!engine->ReadMessage(toRead[current], &message)) {
            continue;
        }
        const bool recovered = Contains(recovered_, toRead[current]);
        if (Take(message, recovered, &joined)) {
            fetched.push_back(toRead[current]);
        }
        ++current;
    }
    std::erase_if(recovered_,
                  [&fetched](const std::string& index) { return Contains(fetched, index); });
    pendingReads_.clear();
    for (const std::string& index : toRead) {
        if (!Contains(fetched, index)) {
            pendingReads_.push_back(index);
        }
    }

    // Nothing leaves the SIM before it is in "sms.dat" (or, for a part, in the part
    // store): the list in memory alone would not survive a crash.
    AppendNew(pendingDeletes_, fetched);
    const bool saved = page_.CallOnUi([this] {
        if (host_.SaveDataFiles()) {
            return true;
        }
        host_.SetStatusText(QString::fromUtf8(kSaveFailedText));
        return false;
    });
    // A joined message's parts leave the store only once the SIM holds none of them:
    // a run that ends before then leaves them whole in the store, where the next run
    // finds the message in the list. So do parts that a failed removal left there.
    if (saved && DeleteFetched(*engine, std::exchange(pendingDeletes_, {}))) {
        parts_.Remove(joined);
        std::erase_if(mayBeListed_,
                      [&joined](const PartStore::Key& key) { return Contains(joined, key); });
    }
    // A cycle that was stopped leaves the modem to whoever stopped it.
    if (page_.CycleCancelled()) {
        return;
    }
    engine->ClearResponse();
    page_.RestartCallPoll(generation);
}

}  // namespace veltro
