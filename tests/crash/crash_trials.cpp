// veltrogprs-crash-trials: kills the real main window with SIGKILL at random moments
// while it saves "vc.dat"/"sms.dat" and fetches messages, and checks what it leaves.
//
//   veltrogprs-crash-trials [--trials N] [--seed S] [--dir DIR] [--kill-within MS]
//
// One virtual card runs in this process for all trials. Before each trial it is
// unplugged and plugged in again on a new pty: a killed window leaves its pty in
// exclusive mode, which only root could open again. The SIM keeps its messages and
// their read state across that, as a real card does. Messages arrive on the card before
// and during each trial, each with a text of its own, so that every one can be counted
// in "sms.dat". The kill comes at a moment drawn from the seed, within --kill-within
// milliseconds after the window's start-up sequence has finished; the window
// (veltrogprs-crash-window) meanwhile adds and deletes contacts and runs inbox cycles.
// Every third message is long enough to come in three parts (UCS2, an emoji at its
// end), which wait in "smsparts.dat" until all are in; "sms.dat" keeps a cut text of
// it and "smstext.dat" the whole. Every fifth message carries an emoji, which GBK lacks.
// Prints one line per trial and a summary; exits 1 on any violation.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "DriverLog.h"
#include "FileCreations.h"
#include "TrialVerdict.h"
#include "modem/AtomicFile.h"
#include "modem/ModemDeviceClass.h"
#include "records/MessageRecord.h"
#include "records/PartStore.h"
#include "records/PhonebookEntryRecord.h"
#include "records/RecordFile.h"
#include "vcard/DeliverPduBuilder.h"
#include "vcard/DemoCard.h"
#include "vcard/VirtualCard.h"

using namespace veltro;

namespace {

struct Settings {
    int trials = 100;
    unsigned long long seed = 1;
    QString dir;
    int killWithinMs = 20000;
    int oldContacts = 300;
    int oldMessages = 1500;
};

bool ReadSettings(const QStringList& arguments, Settings& settings) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (i + 1 >= arguments.size()) {
            return false;
        }
        const QString value = arguments[++i];
        bool ok = true;
        if (name == QLatin1String("--trials")) {
            settings.trials = value.toInt(&ok);
        } else if (name == QLatin1String("--seed")) {
            settings.seed = value.toULongLong(&ok);
        } else if (name == QLatin1String("--dir")) {
            settings.dir = value;
        } else if (name == QLatin1String("--kill-within")) {
            settings.killWithinMs = value.toInt(&ok);
        } else {
            return false;
        }
        if (!ok) {
            return false;
        }
    }
    return settings.trials > 0 && settings.killWithinMs > 0;
}

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Temporary files beside the data files ("vc.dat.<pid>...", "sms.dat.<pid>...",
// "smstext.dat.<pid>...", "smsparts.dat.<pid>...", "smsjournal.dat.<pid>...").
std::set<std::string> Debris(const QString& dir) {
    std::set<std::string> names;
    for (const QString& name :
         QDir(dir).entryList({QStringLiteral("vc.dat.*"), QStringLiteral("sms.dat.*"),
                              QStringLiteral("smstext.dat.*"), QStringLiteral("smsparts.dat.*"),
                              QStringLiteral("smsjournal.dat.*")},
                             QDir::Files)) {
        names.insert(name.toStdString());
    }
    return names;
}

class Trials {
public:
    explicit Trials(const Settings& settings)
        : settings_(settings), random_(settings.seed), card_(CardOptionsWithRoom()) {}

    bool Prepare() {
        QDir().mkpath(settings_.dir);
        dir_ = QDir(settings_.dir);
        if (!watcher_.Watch(settings_.dir.toStdString())) {
            return false;
        }
        dir_.mkpath(QStringLiteral("run"));
        QFile::setPermissions(dir_.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                        QFileDevice::WriteOwner |
                                                                        QFileDevice::ExeOwner);
        // A user with a full phonebook and inbox: every save writes a few hundred KB.
        std::vector<PhonebookEntryRecord> contacts;
        for (int i = 0; i < settings_.oldContacts; ++i) {
            contacts.push_back({"o" + std::to_string(i), "137" + std::to_string(10000000 + i)});
        }
        std::vector<MessageRecord> messages;
        for (int i = 0; i < settings_.oldMessages; ++i) {
            const std::string text = "old message " + std::to_string(i);
            messages.push_back({"10086", "12:00:00", text});
            messages_[text] = MessagePlace::kFileOnly;
        }
        return RecordFile<PhonebookEntryRecord>::Write(Path("vc.dat").toStdString(), contacts) &&
               RecordFile<MessageRecord>::Write(Path("sms.dat").toStdString(), messages) &&
               card_.Start();
    }

    // Runs one trial; false when it broke a rule. Half the trials kill at a moment
    // drawn from [0, kill-within] ms after start-up; a quarter aim at a save of
    // "vc.dat", a quarter at one of "sms.dat": they kill 0 to 20 ms after the save's
    // temporary file appears (inotify), or at kill-within when no save came.
    bool Run(int trial) {
        const int mode = Between(0, 3);
        const int killAfterMs = Between(0, settings_.killWithinMs);
        const int saveNumber = Between(1, 3);
        const int intoSaveMs = Between(0, 20);
        const unsigned windowSeed = static_cast<unsigned>(random_());
        // Each read costs the window about 3 s of modem dialogue: a message in every
        // other trial keeps the backlog of killed runs small enough for later runs to save.
        const bool before = Between(0, 3) == 0;
        const bool during = Between(0, 3) == 0;
        const int arrivalMs = Between(0, killAfterMs);

        PlugCardIn();
        if (before || mode == 3) {
            NewMessage(trial);
        }
        if (mode >= 2) {
            const std::string file = mode == 2 ? "vc.dat" : "sms.dat";
            std::string what = "no " + file + " save came: kill " +
                               std::to_string(settings_.killWithinMs) + " ms after start-up";
            const auto untilKill = [&](std::chrono::steady_clock::time_point readyAt) {
                const auto limit = readyAt + std::chrono::milliseconds(settings_.killWithinMs);
                if (watcher_.WaitForCreated(file + ".", mode == 2 ? saveNumber : 1, limit)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(intoSaveMs));
                    what = "kill " + std::to_string(intoSaveMs) + " ms into a " + file + " save";
                }
            };
            return Watch(trial, windowSeed, untilKill, false, what);
        }
        const auto untilKill = [&](std::chrono::steady_clock::time_point readyAt) {
            if (during) {
                std::this_thread::sleep_until(readyAt + std::chrono::milliseconds(arrivalMs));
                NewMessage(trial);
            }
            std::this_thread::sleep_until(readyAt + std::chrono::milliseconds(killAfterMs));
        };
        return Watch(trial, windowSeed, untilKill, false,
                     "kill " + std::to_string(killAfterMs) + " ms after start-up");
    }

    // A last run that is killed only once the SIM and the part store are empty: every
    // message ever sent must then be in "sms.dat", once.
    bool Drain(int trial) {
        PlugCardIn();
        const auto untilKill = [this](std::chrono::steady_clock::time_point readyAt) {
            const auto limit = readyAt + std::chrono::seconds(900);
            while ((!card_.StoredMessages().empty() ||
                    !PartStore::Decode(ReadAll(Path("smsparts.dat"))).empty()) &&
                   std::chrono::steady_clock::now() < limit) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
            }
            std::this_thread::sleep_for(std::chrono::seconds(1));
        };
        return Watch(trial, static_cast<unsigned>(random_()), untilKill, true,
                     "drain: kill once the SIM and the part store are empty");
    }

    int Summary(int trials) const {
        std::printf("\n%d trials, seed %llu, kills within %d ms after start-up, folder %s\n",
                    trials, settings_.seed, settings_.killWithinMs,
                    settings_.dir.toLocal8Bit().constData());
        std::printf("kill moments:");
        for (const auto& [name, count] : moments_) {
            std::printf(" %s %d,", name.c_str(), count);
        }
        int deleted = 0;
        int read = 0;
        int unread = 0;
        for (const auto& [text, place] : messages_) {
            deleted += place == MessagePlace::kDeletedFromSim;
            read += place == MessagePlace::kReadOnSim;
            unread += place == MessagePlace::kUnreadOnSim;
        }
        std::printf(
            "\nmessages: %d sent to the card, %d fetched and deleted from the SIM, %d read "
            "but left on it, %d unread on it\n",
            sent_, deleted, read, unread);
        std::printf("contact saves completed: %d, inbox cycles completed: %d\n", contactSaves_,
                    cycles_);
        std::printf("violations: %zu\n", reported_.size());
        for (const std::string& violation : reported_) {
            std::printf("  %s\n", violation.c_str());
        }
        return reported_.empty() ? 0 : 1;
    }

private:
    static vcard::CardOptions CardOptionsWithRoom() {
        vcard::CardOptions options = vcard::DemoCard::Options();
        options.smsCapacity = 255;
        return options;
    }

    // Starts the window, lets untilKill pass once it is ready, kills it and judges.
    bool Watch(int trial, unsigned windowSeed,
               const std::function<void(std::chrono::steady_clock::time_point)>& untilKill,
               bool drain, const std::string& what) {
        const std::set<std::string> debrisBefore = Debris(dir_.path());
        TrialFacts facts;
        facts.drained = drain;
        facts.vcAtStart = TrialVerdict::Hash(ReadAll(Path("vc.dat")));
        facts.smsAtStart = TrialVerdict::Hash(ReadAll(Path("sms.dat")));
        const std::string partsAtStart = ReadAll(Path("smsparts.dat"));

        const QString logPath = Path(QStringLiteral("trial-%1.log").arg(trial));
        QFile::remove(logPath);
        QProcess window;
        StartWindow(window, windowSeed, logPath);
        const bool ready = WaitForReady(window);
        watcher_.Forget();
        untilKill(std::chrono::steady_clock::now());
        window.kill();
        window.waitForFinished(10000);

        const DriverLog log = DriverLog::Parse(ReadAll(logPath));
        facts.vcBytes = ReadAll(Path("vc.dat"));
        facts.smsBytes = ReadAll(Path("sms.dat"));
        facts.smsTextBytes = ReadAll(Path("smstext.dat"));
        for (const std::string& name : Debris(dir_.path())) {
            const bool old = debrisBefore.count(name) != 0;
            (old ? facts.oldDebris : facts.newDebris).push_back(name);
        }
        // A leftover goes with the next write of its own file.
        const bool smsWritten = TrialVerdict::Hash(facts.smsBytes) != facts.smsAtStart;
        const std::string partsBytes = ReadAll(Path("smsparts.dat"));
        std::erase_if(facts.oldDebris, [&](const std::string& name) {
            if (name.rfind("vc.dat.", 0) == 0) {
                return log.contactSaves == 0;
            }
            if (name.rfind("smsjournal.dat.", 0) == 0) {
                return log.cycles == 0;
            }
            return name.rfind("smsparts.dat.", 0) == 0 ? partsBytes == partsAtStart : !smsWritten;
        });
        facts.parted = UpdateMessagePlaces(partsBytes);
        facts.messages = messages_;
        TrialVerdict verdict = TrialVerdict::Judge(log, facts);
        if (!ready) {
            verdict.violations.push_back("the window's start-up did not finish");
        }
        if (!drain) {
            ++moments_[TrialVerdict::MomentName(verdict.moment)];
        }
        return Report(trial, what, log, verdict);
    }

    int Between(int low, int high) { return std::uniform_int_distribution(low, high)(random_); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Path(const char* name) const { return Path(QString::fromLatin1(name)); }

    void PlugCardIn() {
        if (plugged_) {
            card_.Unplug();
            card_.Start();
        }
        plugged_ = true;
        AtomicFile::Write(Path("modems.ini").toStdString(),
                          ModemDeviceClass::TableText(
                              {ModemDevice{vcard::DemoCard::kFriendlyName, card_.PortName()}}));
    }

    // A message with a text of its own; every other one in Chinese (UCS2 on the air),
    // every third one in three parts ending in an emoji, every fifth one with an emoji.
    void NewMessage(int trial) {
        ++sent_;
        const std::string number = "1380013" + std::to_string(1000 + sent_ % 9000);
        std::string text =
            (sent_ % 2 ? "msg " : "短信 ") + std::to_string(trial) + "-" + std::to_string(sent_);
        if (sent_ % 5 == 0) {
            text += " 😀";
        }
        if (sent_ % 3 != 0) {
            if (card_.AddMessage(number, text) < 0) {
                std::printf("the SIM is full; message %s not sent\n", text.c_str());
                return;
            }
            messages_[text] = MessagePlace::kUnreadOnSim;
            return;
        }
        // 135 to 199 UTF-16 units: three parts of at most 67.
        while (QString::fromStdString(text).size() < 140) {
            text += sent_ % 2 ? " long" : "长信";
        }
        text += "😀";
        const int reference = sent_ % 256;
        const std::vector<vcard::StoredMessage> parts = vcard::DeliverPduBuilder::Build(
            number, text, vcard::SmsTimeStamp::At(std::time(nullptr)), "+8613800000500", reference);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (card_.StoreMessage(parts[i]) < 0) {
                std::printf("the SIM is full; part %zu of %s not sent\n", i + 1, text.c_str());
                continue;
            }
            partTexts_[parts[i].pdu] = {text, static_cast<int>(i) + 1};
        }
        partedTexts_[{number, reference}] = text;
        messages_[text] = MessagePlace::kUnreadOnSim;
    }

    // Where each message is now: on the SIM (unread or read), or gone from it. Returns,
    // for those sent in parts, which parts have gone and which "smsparts.dat" holds.
    std::map<std::string, PartedMessage> UpdateMessagePlaces(const std::string& partsBytes) {
        std::map<std::string, vcard::StoredMessage::Status> onSim;
        std::map<std::string, std::set<int>> partsOnSim;
        for (const vcard::StoredMessage& stored : card_.StoredMessages()) {
            const auto part = partTexts_.find(stored.pdu);
            const std::string& text = part == partTexts_.end() ? stored.text : part->second.first;
            if (part != partTexts_.end()) {
                partsOnSim[text].insert(part->second.second);
            }
            // A message is unread while any of its parts is.
            if (onSim.count(text) == 0 ||
                onSim[text] != vcard::StoredMessage::Status::ReceivedUnread) {
                onSim[text] = stored.status;
            }
        }
        for (auto& [text, place] : messages_) {
            if (place == MessagePlace::kFileOnly) {
                continue;
            }
            const auto found = onSim.find(text);
            if (found == onSim.end()) {
                place = MessagePlace::kDeletedFromSim;
            } else {
                place = found->second == vcard::StoredMessage::Status::ReceivedUnread
                            ? MessagePlace::kUnreadOnSim
                            : MessagePlace::kReadOnSim;
            }
        }
        std::map<std::string, PartedMessage> parted;
        for (const auto& [pdu, part] : partTexts_) {
            PartedMessage& message = parted[part.first];
            ++message.total;
            if (partsOnSim[part.first].count(part.second) == 0) {
                message.offSim.insert(part.second);
            }
        }
        for (const PartStore::Part& part : PartStore::Decode(partsBytes)) {
            const auto text = partedTexts_.find({part.number, part.reference});
            if (text != partedTexts_.end()) {
                parted[text->second].inStore.insert(part.sequence);
            }
        }
        return parted;
    }

    void StartWindow(QProcess& window, unsigned seed, const QString& logPath) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("VELTROGPRS_MODEMS"), Path("modems.ini"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), Path("config"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), Path("state"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), Path("run"));
        env.remove(QStringLiteral("VELTROGPRS_PORT_SCAN"));
        env.remove(QStringLiteral("VELTROGPRS_PHONEBOOK"));
        window.setProcessEnvironment(env);
        window.setWorkingDirectory(dir_.path());
        window.setStandardErrorFile(Path("window-stderr.log"), QIODevice::Append);
        window.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/veltrogprs-crash-window"),
            {QStringLiteral("--seed"), QString::number(seed), QStringLiteral("--log"), logPath});
    }

    static bool WaitForReady(QProcess& window) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (std::chrono::steady_clock::now() < limit) {
            while (window.canReadLine()) {
                const QByteArray line = window.readLine();
                if (line.startsWith("ready")) {
                    return true;
                }
                if (line.startsWith("failed")) {
                    return false;
                }
            }
            if (window.state() == QProcess::NotRunning) {
                return false;
            }
            window.waitForReadyRead(200);
        }
        return false;
    }

    bool Report(int trial, const std::string& what, const DriverLog& log,
                const TrialVerdict& verdict) {
        const std::string moment = TrialVerdict::MomentName(verdict.moment);
        contactSaves_ += log.contactSaves;
        cycles_ += log.cycles;
        std::vector<std::string> fresh;
        for (const std::string& violation : verdict.violations) {
            if (reported_.insert(violation).second) {
                fresh.push_back(violation);
            }
        }
        std::printf(
            "trial %3d: %s, during %-12s | vc.dat %5zu records, "
            "sms.dat %5d records, %d deleted from the SIM, %d read on it | %s\n",
            trial, what.c_str(), moment.c_str(),
            ReadAll(Path("vc.dat")).size() / PhonebookEntryRecord::kSize, verdict.messagesInFile,
            verdict.deletedFromSim, verdict.readOnSim, fresh.empty() ? "ok" : "VIOLATION");
        for (const std::string& violation : fresh) {
            std::printf("           %s\n", violation.c_str());
        }
        std::fflush(stdout);
        return verdict.violations.empty();
    }

    Settings settings_;
    QDir dir_;
    std::mt19937_64 random_;
    vcard::VirtualCard card_;
    FileCreations watcher_;
    bool plugged_ = false;
    int sent_ = 0;
    int contactSaves_ = 0;
    int cycles_ = 0;
    std::map<std::string, MessagePlace> messages_;
    // Messages sent in parts: each part's PDU with its message and part number, and
    // each message by its sender and reference.
    std::map<std::vector<std::uint8_t>, std::pair<std::string, int>> partTexts_;
    std::map<std::pair<std::string, int>, std::string> partedTexts_;
    std::map<std::string, int> moments_;
    std::set<std::string> reported_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Settings settings;
    if (!ReadSettings(QCoreApplication::arguments(), settings)) {
        std::fprintf(stderr,
                     "usage: veltrogprs-crash-trials [--trials N] [--seed S] [--dir DIR] "
                     "[--kill-within MS]\n");
        return 2;
    }
    if (settings.dir.isEmpty()) {
        settings.dir = QDir::temp().filePath(
            QStringLiteral("veltrogprs-crash-%1").arg(QCoreApplication::applicationPid()));
    }
    if (QDir(settings.dir).exists() && !QDir(settings.dir).isEmpty()) {
        std::fprintf(stderr, "veltrogprs-crash-trials: %s is not empty\n",
                     settings.dir.toLocal8Bit().constData());
        return 2;
    }
    Trials trials(settings);
    if (!trials.Prepare()) {
        std::fprintf(stderr, "veltrogprs-crash-trials: cannot prepare %s\n",
                     settings.dir.toLocal8Bit().constData());
        return 2;
    }
    for (int trial = 1; trial <= settings.trials; ++trial) {
        trials.Run(trial);
    }
    trials.Drain(settings.trials + 1);
    return trials.Summary(settings.trials);
}
