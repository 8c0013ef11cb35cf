// The real window on the virtual card, offscreen, driven at random for a number of
// seconds (argument, default 30; a second argument sets the seed, which is printed):
// page buttons, keypad keys, call, answer and hang-up, sends with random recipients and
// texts, inbox and phonebook clicks, connect and disconnect through the stand-in
// dialer, while the card rings, receives messages, answers dials after 0-5 s and drops
// calls. Fails when the user-interface thread goes more than 100 ms without running a
// 10 ms timer, or when at the end the window cannot disconnect and send a key tone to
// the card.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

#include "CardWindow.h"
#include "app/ConnectionControl.h"

namespace {

using veltro::MainDialog;

// The limit of the user-interface thread's gaps; MONKEY_GAP_LIMIT_MS overrides it where
// other work shares the processor (CI builds beside the tests).
qint64 GapLimitMs() {
    const char* limit = std::getenv("MONKEY_GAP_LIMIT_MS");
    return limit != nullptr ? std::atoll(limit) : 100;
}

class Monkey {
public:
    Monkey(MainDialog& dialog, veltro::vcard::VirtualCard& card, unsigned seed)
        : dialog_(dialog), card_(card), random_(seed) {}

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

    QString Number() {
        static const char* const kNumbers[] = {"10086", "10000", "13800138000", "13912345678"};
        return Pick(4) ? QString::fromLatin1(kNumbers[Pick(4)])
                       : QString::number(13000000000LL + Pick(1000000));
    }

    QString Text() {
        static const QString kPieces[] = {QStringLiteral("hello "), QStringLiteral("你好，"),
                                          QStringLiteral("0123456789"), QStringLiteral("短信"),
                                          QStringLiteral("!?@#")};
        QString text;
        for (int n = Pick(60); n > 0; --n) {
            text += kPieces[Pick(5)];
        }
        return text;
    }

    static void ClickRow(QTableView& view, int row) {
        const QModelIndex index = view.model()->index(row, 0);
        if (view.isVisible()) {
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(index).center());
        } else {
            view.selectRow(row);
        }
    }

    // One random action of a user.
    void Act() {
        ++actions;
        veltro::CallPage& call = dialog_.Call();
        action = Pick(16);
        switch (action) {
            case 0:
                dialog_.CallButton().click();
                break;
            case 1:
                dialog_.PhonebookButton().click();
                break;
            case 2:
                dialog_.SmsMenu().actions().at(Pick(2))->trigger();
                break;
            case 3:
            case 4:
                call.Key("0123456789*#"[Pick(12)]).click();
                break;
            case 5:
                call.NumberBox().setEditText(Number());
                call.CallButton().click();
                break;
            case 6:
                call.HangUpButton().click();
                break;
            case 7: {
                veltro::SmsComposePage& compose = dialog_.Compose();
                compose.Recipient().setEditText(Number());
                compose.MessageBox().setPlainText(Text());
                compose.SendButton().click();
                break;
            }
            case 8:
            case 9: {
                veltro::SmsInboxPage& inbox = dialog_.Inbox();
                if (const int rows = inbox.Messages().rowCount(); rows > 0) {
                    ClickRow(inbox.MessageList(), Pick(rows));
                }
                break;
            }
            case 10: {
                veltro::SmsInboxPage& inbox = dialog_.Inbox();
                veltro::SkinButton* buttons[] = {&inbox.ReplyButton(), &inbox.ForwardButton(),
                                                 &inbox.DeleteButton()};
                buttons[Pick(3)]->click();
                break;
            }
            case 11: {
                veltro::PhonebookPage& book = dialog_.Phonebook();
                book.NameField().setText(QStringLiteral("名字%1").arg(Pick(100)));
                book.NumberField().setText(Number());
                book.AddButton().click();
                break;
            }
            case 12: {
                veltro::PhonebookPage& book = dialog_.Phonebook();
                if (const int rows = book.Entries().rowCount(); rows > 0) {
                    ClickRow(book.List(), Pick(rows));
                    book.DeleteButton().click();
                }
                break;
            }
            case 13:
                if (Pick(8) == 0) {
                    dialog_.ConnectButton().click();
                    ++connects;
                }
                break;
            default:
                // The card's side.
                action = 16 + Pick(4);
                switch (action - 16) {
                    case 0:
                        card_.IncomingCall(Number().toStdString());
                        break;
                    case 1:
                        card_.AddMessage(Number().toStdString(), Text().toStdString());
                        break;
                    case 2:
                        card_.SetDialAnswerDelay(static_cast<std::uint32_t>(Pick(5001)));
                        break;
                    default:
                        card_.RemoteHangUp();
                        break;
                }
        }
    }

    int actions = 0;
    int connects = 0;
    int action = -1;  // the last one's case

private:
    MainDialog& dialog_;
    veltro::vcard::VirtualCard& card_;
    std::mt19937 random_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10))
                                   : static_cast<unsigned>(std::time(nullptr));
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [SECONDS [SEED]]\n", argv[0]);
        return 2;
    }
    std::printf("seed %u, %d s\n", seed, seconds);
    std::fflush(stdout);

    veltro::test::CardWindow window;
    if (!window.Open()) {
        return 1;
    }
    MainDialog& dialog = window.Dialog();
    veltro::vcard::VirtualCard& card = window.Card();
    Monkey monkey(dialog, card, seed);
    // The connection's questions get a random answer instead of a message box.
    dialog.Connection().SetAsker(
        [&](const veltro::ConnectionControl::Question&) { return monkey.Pick(2) == 0; });
    if (!window.Start()) {
        return 1;
    }

    QElapsedTimer since;
    since.start();
    qint64 last = 0;
    qint64 longest = 0;
    qint64 longestAt = 0;
    int longestAfter = -1;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = since.elapsed();
        if (now - last > longest) {
            longest = now - last;
            longestAt = now;
            longestAfter = monkey.action;
        }
        last = now;
    });
    ticker.start(10);

    // Actions 20-200 ms apart.
    QTimer driver;
    driver.setSingleShot(true);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        monkey.Act();
        driver.start(20 + monkey.Pick(181));
    });
    driver.start(0);
    QTest::qWait(seconds * 1000);
    driver.stop();

    // Still working: back to idle, then a key's tone reaches the card.
    veltro::CallPage& call = dialog.Call();
    call.HangUpButton().click();
    dialog.Connection().SetAsker([](const veltro::ConnectionControl::Question&) { return true; });
    const auto idle = [&] {
        return dialog.ConnectButton().text() == QStringLiteral("连接") &&
               dialog.ConnectButton().isEnabled() && !dialog.Connection().Busy() &&
               dialog.Session().HasEngine();
    };
    // A connection that is made (or is being made) is ended once the control is free.
    const bool settled = QTest::qWaitFor(
        [&] {
            if (dialog.Connected() == 1 && !dialog.Connection().Busy() &&
                dialog.ConnectButton().isEnabled()) {
                dialog.ToggleConnection();
            }
            return idle();
        },
        90000);
    if (!settled) {
        std::printf(
            "not idle: button \"%s\" enabled %d, busy %d, engine %d, connected %d, "
            "status \"%s\"\n",
            qPrintable(dialog.ConnectButton().text()), dialog.ConnectButton().isEnabled(),
            dialog.Connection().Busy(), dialog.Session().HasEngine(), dialog.Connected(),
            qPrintable(dialog.StatusLine().text()));
    }
    std::atomic<bool> tone{false};
    card.SetLineListener([&](const std::string& line) { tone = tone || line == "AT+VTS=7"; });
    call.Key('7').click();
    const bool toneArrived = QTest::qWaitFor([&] { return tone.load(); }, 30000);
    card.SetLineListener({});
    ticker.stop();

    std::printf(
        "actions %d (connect clicks %d); longest UI gap %lld ms at %lld ms after action %d "
        "(limit %lld); "
        "idle at the end: %s; key tone reached the card: %s\n",
        monkey.actions, monkey.connects, static_cast<long long>(longest),
        static_cast<long long>(longestAt), longestAfter, static_cast<long long>(GapLimitMs()),
        settled ? "yes" : "NO", toneArrived ? "yes" : "NO");
    return longest <= GapLimitMs() && settled && toneArrived && dialog.isVisible() ? 0 : 1;
}
