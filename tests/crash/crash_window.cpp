// veltrogprs-crash-window: the real main window on the card of the device table, kept
// busy for crash trials (scripts/crash-trials.sh). Once the start-up sequence is done
// it prints "ready", then adds and deletes contacts on the phonebook page at random
// moments and starts inbox cycles more often than the page's own timer does. Every
// content a data file may get is announced in the log before it can be written, so a
// trial can tell a whole old or new file from anything else.
//
// Log lines, one write each (they survive a SIGKILL): "<ms> loaded <vc> <sms>",
// "<ms> ready", "<ms> vc-next <hash>", "<ms> vc-done", "<ms> sms-next <hash>",
// "<ms> cycle-begin", "<ms> cycle-end"; hashes are SHA-256 of the file's bytes.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "TrialVerdict.h"
#include "app/DataFiles.h"
#include "app/MainDialog.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

using namespace veltro;

namespace {

class TrialLog {
public:
    explicit TrialLog(const char* path)
        : fd_(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {
        clock_.start();
    }
    ~TrialLog() { ::close(fd_); }
    TrialLog(const TrialLog&) = delete;
    TrialLog& operator=(const TrialLog&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    void Line(const std::string& text) {
        const std::string line = std::to_string(clock_.elapsed()) + " " + text + "\n";
        if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            std::perror("veltrogprs-crash-window: log");
        }
    }

private:
    int fd_;
    QElapsedTimer clock_;
};

// The user at the keyboard, and a faster inbox timer.
class BusyUser : public QObject {
public:
    BusyUser(MainDialog& window, TrialLog& log, unsigned seed)
        : window_(window), log_(log), random_(seed), counter_(seed % 100000 * 100) {}

    void Start() {
        PhonebookPage& phonebook = window_.Phonebook();
        QStandardItemModel& entries = phonebook.Entries();
        auto announce = [this] {
            log_.Line("vc-next " +
                      TrialVerdict::Hash(DataFiles::PhonebookBytes(window_.Phonebook().Entries())));
        };
        connect(&entries, &QAbstractItemModel::rowsInserted, this, announce);
        connect(&entries, &QAbstractItemModel::rowsRemoved, this, announce);
        // Connected after the window's own handler, which saves: runs once the save is done.
        connect(&phonebook, &PhonebookPage::entriesChanged, this, [this] { log_.Line("vc-done"); });
        connect(&window_.Inbox().Messages(), &QAbstractItemModel::rowsInserted, this, [this] {
            log_.Line("sms-next " +
                      TrialVerdict::Hash(DataFiles::MessageBytes(window_.Inbox().Messages())));
        });
        connect(&window_.Inbox(), &SmsInboxPage::cycleFinished, this,
                [this] { log_.Line("cycle-end"); });
        window_.ShowPage(PageHost::kPhonebookView);
        ScheduleContact();
        ScheduleCycle();
    }

private:
    int Between(int low, int high) { return std::uniform_int_distribution(low, high)(random_); }

    void ScheduleContact() {
        QTimer::singleShot(Between(5, 60), this, [this] {
            ChangeContacts();
            ScheduleContact();
        });
    }

    void ScheduleCycle() {
        QTimer::singleShot(Between(200, 1500), this, [this] {
            SmsInboxPage& inbox = window_.Inbox();
            if (!inbox.CycleRunning()) {
                inbox.StartCycle();
                if (inbox.CycleRunning()) {
                    log_.Line("cycle-begin");
                }
            }
            ScheduleCycle();
        });
    }

    // Adds a contact, or deletes one when the list has enough, through the page.
    void ChangeContacts() {
        PhonebookPage& page = window_.Phonebook();
        const int rows = page.Entries().rowCount();
        if (rows < 20 || Between(0, 99) < 55) {
            ++counter_;
            page.NameField().setText(QStringLiteral("c%1").arg(counter_ % 10000000));
            page.NumberField().setText(
                QStringLiteral("139%1").arg(counter_, 8, 10, QLatin1Char('0')));
            page.AddButton().click();
        } else {
            page.List().selectRow(Between(0, rows - 1));
            page.DeleteButton().click();
        }
    }

    MainDialog& window_;
    TrialLog& log_;
    std::mt19937 random_;
    long long counter_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const qsizetype seedAt = arguments.indexOf(QStringLiteral("--seed"));
    const qsizetype logAt = arguments.indexOf(QStringLiteral("--log"));
    if (seedAt < 0 || logAt < 0 || seedAt + 1 >= arguments.size() ||
        logAt + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: veltrogprs-crash-window --seed N --log FILE\n");
        return 2;
    }
    TrialLog log(arguments[logAt + 1].toLocal8Bit().constData());
    if (!log.IsOpen()) {
        std::perror("veltrogprs-crash-window: log");
        return 2;
    }
    QApplication::setQuitOnLastWindowClosed(false);

    Clock& clock = SystemClock::Instance();
    MainDialog window(clock, SerialPort::Factory(clock));
    window.Initialise(nullptr);
    window.show();
    log.Line("loaded " +
             TrialVerdict::Hash(DataFiles::PhonebookBytes(window.Phonebook().Entries())) + " " +
             TrialVerdict::Hash(DataFiles::MessageBytes(window.Inbox().Messages())));

    BusyUser user(window, log, arguments[seedAt + 1].toUInt());
    QObject::connect(&window, &MainDialog::startupFinished, &user, [&](int outcome) {
        if (outcome != 0) {
            log.Line("start-up-failed " + std::to_string(outcome));
            std::printf("failed %d\n", outcome);
            std::fflush(stdout);
            QCoreApplication::exit(3);
            return;
        }
        log.Line("ready");
        std::printf("ready\n");
        std::fflush(stdout);
        user.Start();
    });
    return QApplication::exec();
}
