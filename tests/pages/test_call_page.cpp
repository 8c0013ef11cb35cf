#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "StubPageHost.h"
#include "modem/ModemEngine.h"
#include "pages/CallPage.h"

namespace veltro {

using test::ScriptedLine;

// The call page on a scripted modem in virtual time: every tick is run by hand.
class CallPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::StubPageHost> host_;
    std::shared_ptr<ScriptedLine::Shared> line_;
    std::unique_ptr<ModemEngine> engine_;
    std::unique_ptr<QWidget> parent_;
    CallPage* page_ = nullptr;

    ScriptedLine& Line() { return *static_cast<ScriptedLine*>(engine_->Port()); }
    QString Status() const { return page_->Status().text(); }
    static QString Text(const char* text) { return QString::fromUtf8(text); }

    // The modem sends unasked; the next tick sees it.
    void Arrives(const std::string& bytes) {
        Line().Inject(bytes);
        page_->Poll();
    }
    void RingWith(const std::string& number) {
        Arrives("\r\nRING\r\n\r\n+CLIP: \"" + number + "\",129\r\n");
    }

private slots:
    void init() {
        host_ = std::make_unique<test::StubPageHost>();
        line_ = std::make_shared<ScriptedLine::Shared>();
        line_->rules = {{"ATA", "\r\nOK\r\n"}, {"ATH0", "\r\nOK\r\n"}, {"AT+VTS=*", "\r\nOK\r\n"}};
        engine_ =
            std::make_unique<ModemEngine>(host_->clock, ScriptedLine::Factory(host_->clock, line_));
        engine_->Reset();
        QVERIFY(engine_->OpenPort("pts/3"));
        host_->engine = engine_.get();
        parent_ = std::make_unique<QWidget>();
        page_ = new CallPage(*host_, parent_.get());
    }

    void cleanup() {
        parent_.reset();
        engine_.reset();
        host_.reset();
    }

    void incomingCallRingsAnswersAndCounts() {
        RingWith("13800138000");
        QCOMPARE(Status(), Text(CallPage::kIncomingText));
        QCOMPARE(page_->NumberBox().currentText(), QStringLiteral("13800138000"));
        QCOMPARE(host_->shownView, int(PageHost::kCallView));
        QVERIFY(page_->Ring().IsRinging());
        QVERIFY(page_->Ringing());
        QVERIFY(!host_->commandButtonsEnabled);

        // An "OK" that answers another command does not connect the call.
        Arrives("\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
        QVERIFY(!page_->Counting());

        page_->CallOrAnswer();
        QCOMPARE(line_->lines.back(), std::string("ATA"));
        QVERIFY(!page_->Ring().IsRinging());
        QVERIFY(page_->Counting());
        QVERIFY(page_->IsClockActive());
        // Unchanged until the first tick.
        QCOMPARE(Status(), Text(CallPage::kIncomingText));

        // A leftover ring after the answer starts nothing again.
        Arrives("\r\nRING\r\n");
        host_->clock.Advance(3725000);
        page_->ClockTick();
        QCOMPARE(Status(), QStringLiteral("通话时间: 01:02:05"));
        page_->HangUp();
        QCOMPARE(Status(), QStringLiteral("通话结束,通话时长: 01:02:05"));
        QCOMPARE(line_->lines.back(), std::string("ATH0"));
        QVERIFY(!page_->IsClockActive());
        QVERIFY(host_->commandButtonsEnabled);
        QVERIFY(page_->CallButton().isEnabled());
    }

    void callWithoutCallerIdStartsItsClockAtZero() {
        RingWith("10086");
        page_->CallOrAnswer();
        host_->clock.Advance(61000);
        page_->HangUp();

        Arrives("\r\nRING\r\n");
        QCOMPARE(Status(), Text(CallPage::kNoCallerText));
        // Not the last caller's.
        QCOMPARE(page_->NumberBox().currentText(), QString());
        // A withheld number cannot be shown either, also when it comes with a later ring.
        Arrives("\r\nRING\r\n+CLIP: \"\",128,,,,1\r\n");
        QCOMPARE(Status(), Text(CallPage::kNoCallerText));
        page_->CallOrAnswer();
        QCOMPARE(page_->CallSeconds(), 0u);
        host_->clock.Advance(4000);
        Arrives("\r\nNO CARRIER\r\n");
        QCOMPARE(Status(), QStringLiteral("对方已挂断,通话时长: 00:00:04"));
        QVERIFY(!page_->Ringing());
        QVERIFY(!page_->CallInProgress());
        QVERIFY(host_->commandButtonsEnabled);
    }

    void callerGivingUpEndsTheRinging() {
        RingWith("10086");
        Arrives("\r\nNO CARRIER\r\n");
        QCOMPARE(Status(), QStringLiteral("对方已挂断,通话时长: 00:00:00"));
        QVERIFY(!page_->Ring().IsRinging());
        QVERIFY(!page_->Ringing());
    }

    void dialsTheNumberBetweenTheBrackets() {
        page_->NumberBox().setEditText(QStringLiteral("张三(10086)"));
        page_->PressKey('1');
        QCOMPARE(page_->NumberBox().currentText(), QStringLiteral("张三(10086)1"));
        page_->CallOrAnswer();
        QCOMPARE(line_->lines.back(), std::string("ATD10086;"));
        QCOMPARE(Status(), Text(CallPage::kDiallingText));
        QVERIFY(!page_->CallButton().isEnabled());
        QVERIFY(!host_->commandButtonsEnabled);
        QVERIFY(page_->IsClockActive());
        page_->ClockTick();
        // No time before the far end answers.
        QCOMPARE(Status(), Text(CallPage::kDiallingText));

        // The far end picks up: the dial's own answer starts the clock.
        host_->clock.Advance(3000);
        Arrives("\r\nOK\r\n");
        QVERIFY(page_->Counting());
        host_->clock.Advance(2000);
        page_->ClockTick();
        QCOMPARE(Status(), QStringLiteral("通话时间: 00:00:02"));
        Arrives("\r\nNO CARRIER\r\n");
        QCOMPARE(Status(), QStringLiteral("对方已挂断,通话时长: 00:00:02"));
        QVERIFY(page_->CallButton().isEnabled());
    }

    void outgoingCallsThatNeverConnect() {
        page_->NumberBox().setEditText(QStringLiteral("10086"));
        page_->CallOrAnswer();
        Arrives("\r\nNO CARRIER\r\n");
        QCOMPARE(Status(), Text(CallPage::kNotConnectedText));
        page_->CallOrAnswer();
        page_->HangUp();
        QCOMPARE(Status(), Text(CallPage::kCancelledText));
        QVERIFY(host_->commandButtonsEnabled);
    }

    void refusedNumbersSendNothing() {
        page_->CallOrAnswer();
        QCOMPARE(Status(), Text(CallPage::kEnterNumberText));
        for (const QString& number : {QStringLiteral("10086;+CMGD=1"), QStringLiteral(")10086("),
                                      QString(99, QLatin1Char('1'))}) {
            page_->NumberBox().setEditText(number);
            page_->CallOrAnswer();
            QCOMPARE(Status(), Text(CallPage::kDialFailedText));
            QVERIFY(!page_->CallInProgress());
            QVERIFY(page_->CallButton().isEnabled());
        }
        QVERIFY(line_->lines.empty());
    }

    void keysSendTonesInACallOrNot() {
        page_->Key('*').click();
        page_->Key('#').click();
        page_->Key('0').click();
        QCOMPARE(page_->NumberBox().currentText(), QStringLiteral("*#0"));
        QCOMPARE(line_->lines, (std::vector<std::string>{"AT+VTS=*", "AT+VTS=#", "AT+VTS=0"}));
    }

    void withoutAnEngineNothingChanges() {
        page_->NumberBox().setEditText(QStringLiteral("10086"));
        host_->engine = nullptr;
        page_->CallOrAnswer();
        page_->HangUp();
        page_->Poll();
        QCOMPARE(Status(), QString());
        QVERIFY(!page_->CallInProgress());
        QVERIFY(line_->lines.empty());
    }

    void aBusyModemSkipsTheTickAndKeepsTheEvents() {
        Line().Inject("\r\nRING\r\n");
        {
            ModemClaim other(engine_->Gate(), ModemGate::Wait::Blocking);
            page_->Poll();
            QVERIFY(!page_->Ringing());
            std::uint32_t count = 0;
            engine_->DrainInput(&count);
            engine_->ClearResponse();
        }
        page_->Poll();
        QVERIFY(page_->Ringing());
    }

    void dropDownListsEachContactOnceSorted() {
        host_->phonebook.insertRow(0, {new QStandardItem(QStringLiteral("李四")),
                                       new QStandardItem(QStringLiteral("10010"))});
        host_->phonebook.insertRow(0, {new QStandardItem(QStringLiteral("Ann")),
                                       new QStandardItem(QStringLiteral("10086"))});
        page_->NumberBox().setEditText(QStringLiteral("12"));
        page_->FillNumberList();
        page_->FillNumberList();
        QCOMPARE(page_->NumberBox().count(), 2);
        QCOMPARE(page_->NumberBox().itemText(0), QStringLiteral("Ann(10086)"));
        // Typing is kept.
        QCOMPARE(page_->NumberBox().currentText(), QStringLiteral("12"));
    }

    void timeTextsSplitHoursMinutesSeconds() {
        QCOMPARE(CallPage::TimeText(CallPage::kRemoteHungUpFormat, 3725),
                 QStringLiteral("对方已挂断,通话时长: 01:02:05"));
        QCOMPARE(CallPage::TimeText(CallPage::kCallTimeFormat, 0),
                 QStringLiteral("通话时间: 00:00:00"));
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::CallPageTest)
#include "test_call_page.moc"
