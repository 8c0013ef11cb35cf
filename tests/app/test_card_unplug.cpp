#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>

#include "CardWindow.h"
#include "WindowSandbox.h"
#include "app/CardWatch.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/VirtualCard.h"

namespace veltro {

namespace {

using test::kStartupLimitMs;
constexpr int kConnectLimitMs = 40000;
// A pulled card is seen by the next call poll (950 ms) and the next look (2 s).
constexpr int kNoticeLimitMs = 15000;
// Longer than any wait of the window's thread; far shorter than a modem time limit.
constexpr qint64 kLongestGapMs = 3000;
constexpr char kDeviceName[] = "VeltroGSM无线调制解调器";

bool Heard(const vcard::VirtualCard& card, const std::string& prefix) {
    const std::vector<std::string> lines = card.ReceivedLines();
    return std::any_of(lines.begin(), lines.end(),
                       [&prefix](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

int CountOf(const InboxModel& messages, const QString& number) {
    int count = 0;
    for (const InboxModel::Entry& entry : messages.BottomFirst()) {
        count += entry.number == number ? 1 : 0;
    }
    return count;
}

// The longest time the window's thread went without running its timers.
class GapMeter {
public:
    GapMeter() {
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
        clock_.start();
        timer_.start(20);
    }
    qint64 Longest() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

}  // namespace

// The real window on the virtual card, pulled out and plugged in again: while idle,
// during a call, and back in service after each return.
class CardUnplugTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::WindowSandbox> dir_;
    std::unique_ptr<vcard::VirtualCard> card_;
    std::unique_ptr<MainDialog> dialog_;

    QString Status() const { return dialog_->StatusLine().text(); }
    static QString Text(const char* text) { return QString::fromUtf8(text); }

    void VerifyCardGoneState(const QString& cutCall = {}) {
        QCOMPARE(Status(), cutCall.isEmpty() ? Text(CardWatch::kCardGoneText)
                                             : Text(CardWatch::kCardGoneText) + "\n\n" + cutCall);
        QVERIFY(dialog_->StatusLine().isVisible());
        QVERIFY(dialog_->Watch().IsCardGone());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->Session().HasEngine(), 10000);
        for (SkinButton* button : {&dialog_->ConnectButton(), &dialog_->CallButton(),
                                   &dialog_->SmsButton(), &dialog_->PhonebookButton()}) {
            QVERIFY(!button->isEnabled());
        }
        QVERIFY(!dialog_->Call().IsTimer1Active());
        QVERIFY(!dialog_->Inbox().IsTimer1Active());
        QVERIFY(dialog_->NoSignalIcon().isVisible());
        QVERIFY(!dialog_->SignalIcon().isVisible());
        QCOMPARE(dialog_->CanClose(), 1);
    }

    // Plugs the card in on a new pty, enters it in the device table and waits for the
    // window to be back in service.
    void PlugBackAndVerify() {
        QSignalSpy finished(dialog_.get(), &MainDialog::startupFinished);
        QVERIFY(card_->Start());
        dir_->WriteTable({{kDeviceName, card_->PortName()}});
        QTRY_VERIFY_WITH_TIMEOUT(
            !finished.isEmpty() && finished.last().at(0).toInt() == int(DeviceStartup::kSuccess),
            kStartupLimitMs);
        QCOMPARE(Status(), Text(DeviceStartup::kWelcomeText));
        QVERIFY(!dialog_->Watch().IsCardGone());
        QVERIFY(dialog_->Session().HasEngine());
        for (SkinButton* button : {&dialog_->ConnectButton(), &dialog_->CallButton(),
                                   &dialog_->SmsButton(), &dialog_->PhonebookButton()}) {
            QVERIFY(button->isEnabled());
        }
        QCOMPARE(dialog_->Call().Timer1Period(), DeviceStartup::kCallPollMs);
        QVERIFY(dialog_->Call().IsTimer1Active());
        QCOMPARE(dialog_->Inbox().Timer1Period(), DeviceStartup::kInboxPollMs);
        QVERIFY(dialog_->Inbox().IsTimer1Active());
        QVERIFY(dialog_->SignalIcon().isVisible());
    }

private slots:
    void initTestCase() {
        DialogColours::Apply();
        dir_ = std::make_unique<test::WindowSandbox>();
        card_ = test::StartCard(*dir_);
        QVERIFY(card_);
        Clock& clock = SystemClock::Instance();
        dialog_ = std::make_unique<MainDialog>(clock, SerialPort::Factory(clock));
        QCOMPARE(test::RunStartup(*dialog_), int(DeviceStartup::kSuccess));
    }

    void cleanupTestCase() {
        dialog_.reset();
        card_.reset();
        dir_.reset();
    }

    void pulledWhileIdleSaysSoAndStopsEverything() {
        dialog_->ShowPage(MainDialog::kInboxView);
        GapMeter gaps;
        card_->Unplug();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CardWatch::kCardGoneText), kNoticeLimitMs);
        VerifyCardGoneState();
        // The look for the card's return reads no modem: the window stays idle.
        QTest::qWait(CardWatch::kPeriodMs + 200);
        VerifyCardGoneState();
        QVERIFY2(gaps.Longest() < kLongestGapMs, qPrintable(QString::number(gaps.Longest())));
    }

    void pluggedBackRunsTheStartUpAgain() { PlugBackAndVerify(); }

    void pulledDuringACallEndsTheCall() {
        CallPage& page = dialog_->Call();
        card_->IncomingCall("13800138000");
        QTRY_COMPARE_WITH_TIMEOUT(page.Status().text(), Text(CallPage::kIncomingText),
                                  kNoticeLimitMs);
        page.CallButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(card_->InCall(), kNoticeLimitMs);
        QVERIFY(page.Counting());

        GapMeter gaps;
        card_->Unplug();
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith(Text(CardWatch::kCardGoneText)),
                                 kNoticeLimitMs);
        QVERIFY2(page.Status().text().startsWith(QStringLiteral("通话中断,通话时长: 00:00:")),
                 qPrintable(page.Status().text()));
        // The status view, which replaces the call page, says what became of the call.
        QCOMPARE(Status(), Text(CardWatch::kCardGoneText) + "\n\n" + page.Status().text());
        VerifyCardGoneState(page.Status().text());
        QVERIFY(!page.CallInProgress());
        QVERIFY(!page.Ringing());
        QVERIFY(!page.Counting());
        QVERIFY(!page.IsClockActive());
        QVERIFY(!page.Ring().IsRinging());
        QVERIFY2(gaps.Longest() < kLongestGapMs, qPrintable(QString::number(gaps.Longest())));

        PlugBackAndVerify();
        QVERIFY(page.CallButton().isEnabled());
    }

    // Pulled while the cycle deletes what it read: the message is in the list and in
    // "sms.dat" already, the cycle ends at once, and after the return the message (left
    // read on the SIM) is not fetched a second time.
    void pulledDuringAnInboxCycleKeepsTheMessageOnce() {
        const QString number = QStringLiteral("13912345678");
        SmsInboxPage& inbox = dialog_->Inbox();
        card_->SetFault("AT+CMGD", vcard::CardFault::NoAnswer);
        QVERIFY(card_->AddMessage(number.toStdString(), "拔卡前收到") > 0);
        inbox.StartCycle();
        QTRY_VERIFY_WITH_TIMEOUT(Heard(*card_, "AT+CMGD"), kNoticeLimitMs);
        QCOMPARE(CountOf(inbox.Messages(), number), 1);
        QFile file(QStringLiteral("sms.dat"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), qint64(inbox.Messages().rowCount()) * 320);
        file.close();

        GapMeter gaps;
        card_->Unplug();
        card_->ClearFaults();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CardWatch::kCardGoneText), kNoticeLimitMs);
        VerifyCardGoneState();
        QVERIFY(!inbox.CycleRunning());
        QVERIFY2(gaps.Longest() < kLongestGapMs, qPrintable(QString::number(gaps.Longest())));

        PlugBackAndVerify();
        QSignalSpy cycles(&inbox, &SmsInboxPage::cycleFinished);
        inbox.StartCycle();
        QVERIFY(cycles.wait(kNoticeLimitMs));
        QCOMPARE(CountOf(inbox.Messages(), number), 1);
    }

    // Pulled while connected: pppd ends on the hang-up, the traffic page's check runs
    // the disconnect, which makes no modem search for a card that is not there, and the
    // window is without a card instead of idle. No question is asked.
    void pulledWhileConnectedMakesNoModemSearch() {
        qputenv("VELTROGPRS_DIALER", VELTRO_STANDIN_DIALER);
        int asked = 0;
        dialog_->Connection().SetAsker([&asked](const ConnectionControl::Question&) {
            ++asked;
            return false;
        });
        dialog_->ConnectButton().click();
        QTRY_COMPARE_WITH_TIMEOUT(dialog_->ConnectButton().text(),
                                  Text(ConnectionControl::kDisconnectCaption), kConnectLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->Session().HasEngine(), 10000);

        QElapsedTimer took;
        took.start();
        card_->Unplug();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CardWatch::kCardGoneText),
                                  int(ConnectionControl::kModemSearchLimitMs));
        QVERIFY2(took.elapsed() < 10000, qPrintable(QString::number(took.elapsed())));
        dialog_->Activate();
        VerifyCardGoneState();
        QCOMPARE(dialog_->ConnectButton().text(), Text(ConnectionControl::kConnectCaption));
        QCOMPARE(dialog_->Connected(), 0);
        QVERIFY(dialog_->Dialup() == nullptr);
        QCOMPARE(asked, 0);
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::CardUnplugTest)
#include "test_card_unplug.moc"
