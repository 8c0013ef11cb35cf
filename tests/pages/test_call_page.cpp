#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "ManualClock.h"
#include "ScriptedLine.h"
#include "SessionSettle.h"
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
    ScriptedLine* port_ = nullptr;
    std::unique_ptr<QWidget> parent_;
    CallPage* page_ = nullptr;

    ScriptedLine& Line() { return *port_; }
    void Settle() { QVERIFY(test::Settle(host_->session)); }
    QString Status() const { return page_->Status().text(); }
    static QString Text(const char* text) { return QString::fromUtf8(text); }

    // The modem sends unasked; the next tick sees it.
    void Arrives(const std::string& bytes) {
        Line().Inject(bytes);
        page_->Poll();
        Settle();
    }
    void RingWith(const std::string& number) {
        Arrives("\r\nRING\r\n\r\n+CLIP: \"" + number + "\",129\r\n");
    }

private slots:
    void init() {
        host_ = std::make_unique<test::StubPageHost>();
        line_ = std::make_shared<ScriptedLine::Shared>();
        line_->rules = {{"ATA", "\r\nOK\r\n"},
                        {"ATH0", "\r\nOK\r\n"},
                        {"AT+VTS=*", "\r\nOK\r\n"},
                        {"ATD10086;", "\r\nOK\r\n", 3000},
                        {"ATD10010;", "\r\nBUSY\r\n", 1500},
                        {"ATD10000;", "\r\nNO ANSWER\r\n", 30000},
                        {"ATD95588;", "\r\nNO CARRIER\r\n"}};
        host_->lines = [this,
                        inner = ScriptedLine::Factory(host_->clock, line_)](std::string_view name) {
            auto line = inner(name);
            port_ = static_cast<ScriptedLine*>(line.get());
            return line;
        };
        QVERIFY(test::OpenSession(host_->session, "pts/3"));
        parent_ = std::make_unique<QWidget>();
        page_ = new CallPage(*host_, parent_.get());
    }

    void cleanup() {
        host_->session.Stop();
        parent_.reset();
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
        Settle();
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
        Settle();
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
        Settle();

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
        QCOMPARE(Status(), Text(CallPage::kDiallingText));
        QVERIFY(!page_->CallButton().isEnabled());
        QVERIFY(!host_->commandButtonsEnabled);
        QVERIFY(page_->IsClockActive());

        // The far end picks up after 3 s: the dial's own answer starts the clock.
        Settle();
        QCOMPARE(line_->lines, (std::vector<std::string>{"AT+VTS=1", "ATD10086;"}));
        QVERIFY(page_->Counting());
        QCOMPARE(Status(), QStringLiteral("通话时间: 00:00:00"));
        host_->clock.Advance(2000);
        page_->ClockTick();
        QCOMPARE(Status(), QStringLiteral("通话时间: 00:00:02"));
        // A second press during the call neither dials nor restarts the clock.
        page_->CallOrAnswer();
        Settle();
        QCOMPARE(line_->lines.size(), 2u);
        Arrives("\r\nNO CARRIER\r\n");
        QCOMPARE(Status(), QStringLiteral("对方已挂断,通话时长: 00:00:02"));
        QVERIFY(page_->CallButton().isEnabled());
    }

    // Each way a dial ends before a pickup ends the call with its own text; a dial the
    // network never answers is hung up.
    void outgoingCallsThatNeverConnect() {
        const std::pair<const char*, const char*> cases[] = {
            {"95588", CallPage::kNotConnectedText},
            {"10010", CallPage::kBusyText},
            {"10000", CallPage::kNoAnswerText},
            {"12345", CallPage::kNoAnswerText},
        };
        for (const auto& [number, text] : cases) {
            page_->NumberBox().setEditText(QString::fromUtf8(number));
            page_->CallOrAnswer();
            Settle();
            QCOMPARE(Status(), Text(text));
            QVERIFY(!page_->CallInProgress());
            QVERIFY(page_->CallButton().isEnabled());
            QVERIFY(host_->commandButtonsEnabled);
        }
        QCOMPARE(line_->lines.back(), std::string("ATH0"));

        page_->NumberBox().setEditText(QStringLiteral("10086"));
        page_->CallOrAnswer();
        page_->HangUp();
        Settle();
        QCOMPARE(Status(), Text(CallPage::kCancelledText));
        QCOMPARE(line_->lines.back(), std::string("ATH0"));
        QVERIFY(!page_->Counting());
    }

    void refusedNumbersSendNothing() {
        page_->CallOrAnswer();
        QCOMPARE(Status(), Text(CallPage::kEnterNumberText));
        for (const QString& number : {QStringLiteral("10086;+CMGD=1"), QStringLiteral("10086\""),
                                      QString(99, QLatin1Char('1'))}) {
            page_->NumberBox().setEditText(number);
            page_->CallOrAnswer();
            Settle();
            // The failure says what in the number was refused.
            QVERIFY2(Status().startsWith(Text(CallPage::kDialFailedText)), qPrintable(Status()));
            QVERIFY(!page_->CallInProgress());
            QVERIFY(page_->CallButton().isEnabled());
        }
        QVERIFY(line_->lines.empty());
    }

    void keysSendTonesInTheOrderPressed() {
        page_->Key('*').click();
        page_->Key('#').click();
        page_->Key('0').click();
        QCOMPARE(page_->NumberBox().currentText(), QStringLiteral("*#0"));
        Settle();
        QCOMPARE(line_->lines, (std::vector<std::string>{"AT+VTS=*", "AT+VTS=#", "AT+VTS=0"}));
    }

    void withoutAnEngineNothingChanges() {
        page_->NumberBox().setEditText(QStringLiteral("10086"));
        host_->session.Release({});
        Settle();
        page_->CallOrAnswer();
        page_->HangUp();
        page_->Poll();
        Settle();
        QCOMPARE(Status(), QString());
        QVERIFY(!page_->CallInProgress());
        QVERIFY(line_->lines.empty());
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
