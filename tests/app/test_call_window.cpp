#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <fstream>
#include <memory>

#include "CardWindow.h"
#include "WindowSandbox.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "modem/GbkText.h"
#include "modem/ModemDeviceClass.h"
#include "modem/ModemEngine.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/VirtualCard.h"

namespace veltro {

namespace {

constexpr int kEventLimitMs = 10000;

// The real clock, set forward by the test to stand for a long call.
class SkewedClock final : public Clock {
public:
    std::uint64_t NowMs() override { return SystemClock::Instance().NowMs() + skew.load(); }
    void SleepMs(std::uint32_t ms) override { SystemClock::Instance().SleepMs(ms); }
    std::atomic<std::uint64_t> skew{0};
};

bool Received(const vcard::VirtualCard& card, const std::string& line) {
    for (const std::string& received : card.ReceivedLines()) {
        if (received == line) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The call and phonebook pages in the real window on the virtual card: one start-up,
// then one call after another, each injected with the card's own controls.
class CallWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::WindowSandbox> dir_;
    std::unique_ptr<vcard::VirtualCard> card_;
    SkewedClock clock_;
    std::unique_ptr<MainDialog> dialog_;

    CallPage& Page() { return dialog_->Call(); }
    QString Status() { return Page().Status().text(); }
    static QString Text(const char* text) { return QString::fromUtf8(text); }

    void AnswerAndVerify() {
        Page().CallButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(Received(*card_, "ATA"), kEventLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(card_->InCall(), kEventLimitMs);
        QVERIFY(Page().Counting());
        QCOMPARE(Page().CallSeconds(), 0u);
        QVERIFY(!Page().Ring().IsRinging());
    }

private slots:
    void initTestCase() {
        DialogColours::Apply();
        dir_ = std::make_unique<test::WindowSandbox>();

        vcard::CardOptions options;
        options.busyNumbers = {"10011"};
        options.busyResult = "BUSY";
        options.busyAfterMs = 1000;
        card_ = test::StartCard(*dir_, options);
        QVERIFY(card_);
        dialog_ = std::make_unique<MainDialog>(clock_, SerialPort::Factory(clock_));
        QCOMPARE(test::RunStartup(*dialog_), int(DeviceStartup::kSuccess));
        QVERIFY(Page().IsTimer1Active());
    }

    void cleanupTestCase() {
        dialog_.reset();
        card_.reset();
        dir_.reset();
    }

    void incomingCallRingsIsAnsweredAndHungUpByTheCaller() {
        dialog_->ShowPage(MainDialog::kPhonebookView);
        card_->IncomingCall("13800138000");
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CallPage::kIncomingText), kEventLimitMs);
        QCOMPARE(Page().NumberBox().currentText(), QStringLiteral("13800138000"));
        QVERIFY(Page().isVisible());
        QVERIFY(!dialog_->Phonebook().isVisible());
        QVERIFY(Page().Ring().IsRinging());
        for (SkinButton* button :
             {&dialog_->ConnectButton(), &dialog_->SmsButton(), &dialog_->PhonebookButton()}) {
            QVERIFY(!button->isEnabled());
        }

        AnswerAndVerify();
        Page().Key('5').click();
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(card_->Tones()).right(1),
                                  QStringLiteral("5"), kEventLimitMs);
        QVERIFY(Received(*card_, "AT+VTS=5"));

        clock_.skew += 5000;
        card_->RemoteHangUp();
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith(QStringLiteral("对方已挂断")), kEventLimitMs);
        // Five seconds of the skewed clock, and what the test itself took.
        const QRegularExpression shown(QStringLiteral("^对方已挂断,通话时长: 00:00:0([5-9])$"));
        QVERIFY2(shown.match(Status()).hasMatch(), qPrintable(Status()));
        QVERIFY(!Page().IsClockActive());
        QVERIFY(!Page().Ring().IsRinging());
        for (SkinButton* button : {&dialog_->ConnectButton(), &dialog_->SmsButton(),
                                   &dialog_->PhonebookButton(), &Page().CallButton()}) {
            QVERIFY(button->isEnabled());
        }
    }

    void callWithoutCallerIdStartsItsClockAtZero() {
        card_->IncomingCall("");
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CallPage::kNoCallerText), kEventLimitMs);
        AnswerAndVerify();
        Page().HangUpButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(Received(*card_, "ATH0"), kEventLimitMs);
        QVERIFY2(Status().startsWith(QStringLiteral("通话结束,通话时长: 00:00:0")),
                 qPrintable(Status()));
        QTRY_VERIFY_WITH_TIMEOUT(!card_->InCall(), kEventLimitMs);
    }

    // Another dialogue empties the engine's buffer while a ring waits there: the call
    // poll still sees the ring.
    void ringDuringAnotherClearIsStillSeen() {
        Page().StopTimer1();
        card_->IncomingCall("10010");
        std::atomic<bool> cleared{false};
        dialog_->Session().Submit(
            ModemSession::Priority::Background, [&cleared](ModemEngine& engine) {
                QDeadlineTimer limit(kEventLimitMs);
                while (engine.FindCode(ResultCodeId::Ring) < 0 && !limit.hasExpired()) {
                    std::uint32_t count = 0;
                    engine.DrainInput(&count);
                    QThread::msleep(20);
                }
                cleared = engine.FindCode(ResultCodeId::Ring) >= 0 && engine.ClearResponse();
            });
        QTRY_VERIFY_WITH_TIMEOUT(cleared.load(), kEventLimitMs);
        Page().StartTimer1(DeviceStartup::kCallPollMs);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CallPage::kIncomingText), kEventLimitMs);
        QCOMPARE(Page().NumberBox().currentText(), QStringLiteral("10010"));
        Page().HangUpButton().click();
        QVERIFY(!Page().Ringing());
        QTRY_VERIFY_WITH_TIMEOUT(!card_->InCall(), kEventLimitMs);
    }

    // With inbox cycles reading messages meanwhile, a dialled call shows its clock
    // within a second of the far end picking up, however long that takes.
    void dialledCallShowsItsClockWhileTheInboxCycles() {
        QElapsedTimer clock;
        clock.start();
        std::atomic<qint64> dialArrivedMs{-1};
        card_->SetLineListener([&](const std::string& line) {
            if (line == "ATD10086;") {
                dialArrivedMs = clock.elapsed();
            }
        });
        for (const std::uint32_t answerMs : {0u, 3000u, 6000u}) {
            card_->SetDialAnswerDelay(answerMs);
            for (int i = 0; i < 4; ++i) {
                card_->AddMessage("10086", "cycle " + std::to_string(i));
            }
            const auto reads = [this] {
                const auto lines = card_->ReceivedLines();
                return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                    return line.starts_with("AT+CMGR");
                });
            };
            const auto readsBefore = reads();
            dialog_->Inbox().StartCycle();
            // The click comes once the cycle reads (a read is quick: the moment the last
            // line is a read may pass between two looks).
            QTRY_VERIFY_WITH_TIMEOUT(reads() > readsBefore, 30000);
            Page().NumberBox().setEditText(QStringLiteral("10086"));
            dialArrivedMs = -1;
            Page().CallButton().click();
            QTRY_VERIFY_WITH_TIMEOUT(Page().Counting(), static_cast<int>(answerMs) + 5000);
            const qint64 afterPickup = clock.elapsed() - dialArrivedMs - answerMs;
            QVERIFY(dialArrivedMs >= 0);
            QVERIFY2(afterPickup < 1000, qPrintable(QStringLiteral("%1 ms after a pickup at %2 ms")
                                                        .arg(afterPickup)
                                                        .arg(answerMs)));
            QVERIFY(Status().startsWith(QStringLiteral("通话时间: 00:00:0")));
            Page().HangUpButton().click();
            QTRY_VERIFY_WITH_TIMEOUT(!card_->InCall(), kEventLimitMs);
        }
        card_->SetLineListener({});
        card_->SetDialAnswerDelay(0);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog_->Inbox().CycleRunning(), 60000);
    }

    // A busy far end, or a line that drops before a pickup, ends the dial with its text;
    // tones pressed 50 ms apart reach the card in the order pressed.
    void dialsThatEndBeforeAPickupAndTonesInOrder() {
        Page().NumberBox().setEditText(QStringLiteral("10011"));
        Page().CallButton().click();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CallPage::kBusyText), kEventLimitMs);
        QVERIFY(Page().CallButton().isEnabled());
        QVERIFY(dialog_->ConnectButton().isEnabled());

        card_->SetDialAnswerDelay(5000);
        Page().NumberBox().setEditText(QStringLiteral("10086"));
        Page().CallButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(Received(*card_, "ATD10086;"), kEventLimitMs);
        QTest::qWait(500);
        card_->RemoteHangUp();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), Text(CallPage::kNotConnectedText), kEventLimitMs);
        QVERIFY(Page().CallButton().isEnabled());

        card_->SetDialAnswerDelay(0);
        Page().CallButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(Page().Counting(), kEventLimitMs);
        const std::string tonesBefore = card_->Tones();
        for (char key : {'7', '3', '9', '1'}) {
            Page().Key(key).click();
            QTest::qWait(50);
        }
        QTRY_COMPARE_WITH_TIMEOUT(card_->Tones(), tonesBefore + "7391", kEventLimitMs);
        Page().HangUpButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(!card_->InCall(), kEventLimitMs);
    }

    void contactFromTheDropDownDialsItsNumber() {
        PhonebookPage& phonebook = dialog_->Phonebook();
        phonebook.NameField().setText(QStringLiteral("张三"));
        phonebook.NumberField().setText(QStringLiteral("10086"));
        phonebook.AddEntry();
        phonebook.NameField().setText(QStringLiteral("李四"));
        phonebook.NumberField().setText(QStringLiteral("10010"));
        phonebook.AddEntry();
        DropDownComboBox& box = Page().NumberBox();
        box.showPopup();
        box.hidePopup();
        box.showPopup();
        box.hidePopup();
        QCOMPARE(box.count(), 2);
        const int index = box.findText(QStringLiteral("张三(10086)"));
        QVERIFY(index >= 0);
        box.setCurrentIndex(index);
        Page().CallButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(Received(*card_, "ATD10086;"), kEventLimitMs);
        QCOMPARE(Status(), Text(CallPage::kDiallingText));
        QVERIFY(!dialog_->ConnectButton().isEnabled());
        // The card connects at once; its answer starts the clock.
        QTRY_VERIFY_WITH_TIMEOUT(Page().Counting(), kEventLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith(QStringLiteral("通话时间: 00:00:0")),
                                 kEventLimitMs);
        Page().HangUpButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(!card_->InCall(), kEventLimitMs);

        box.setEditText(QStringLiteral("10086;+CMGD=1"));
        Page().CallButton().click();
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith(Text(CallPage::kDialFailedText)),
                                 kEventLimitMs);
        QVERIFY(!Received(*card_, "ATD10086;+CMGD=1;"));
    }
    // Contacts added on the page reach "vc.dat" at a save and come back at the next start.
    void contactsReachTheFileAtASave() {
        QStandardItemModel& entries = dialog_->PhonebookEntries();
        QVERIFY(entries.rowCount() >= 2);
        QVERIFY(dialog_->SaveDataFiles());
        QFile file(QStringLiteral("vc.dat"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), entries.rowCount() * 48);
        // The newest contact is the last record, its name in GBK.
        QCOMPARE(bytes.mid(bytes.size() - 48, 4),
                 QByteArray::fromStdString(*GbkText::FromUtf8("李四")));

        MainDialog next(clock_, SerialPort::Factory(clock_));
        next.LoadDataFiles();
        QCOMPARE(next.PhonebookEntries().rowCount(), entries.rowCount());
        for (int row = 0; row < entries.rowCount(); ++row) {
            for (int column = 0; column < 2; ++column) {
                QCOMPARE(next.PhonebookEntries().index(row, column).data().toString(),
                         entries.index(row, column).data().toString());
            }
        }
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::CallWindowTest)
#include "test_call_window.moc"
