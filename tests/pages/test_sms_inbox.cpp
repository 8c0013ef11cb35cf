#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>

#include "InboxPdus.h"
#include "SmsCardHost.h"
#include "modem/ModemEngine.h"
#include "pages/CallPage.h"
#include "pages/PageHost.h"
#include "pages/SmsComposePage.h"
#include "pages/SmsInboxPage.h"
#include "records/InboxJournal.h"
#include "records/PartStore.h"
#include "vcard/DeliverPduBuilder.h"

namespace veltro {

using test::CardHost;
using test::kCycleLimitMs;

class SmsInboxTest : public QObject {
    Q_OBJECT

private slots:
    // Each case in a folder of its own: the part store and the journal live there.
    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(folder_->path()));
    }
    void cleanup() {
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        folder_.reset();
    }

    // Two unread messages: the one read last on top, each with the local time of its
    // insertion; "sms.dat" is written while the SIM still holds both, and only then
    // are they deleted. The call page's poll is the window's to arm: a cycle leaves it.
    void twoMessagesAreFetchedSavedThenDeleted() {
        CardHost host;
        host.Receive("+8613912345678", "你好，世界");
        host.Receive("10086", "Balance 12.50");
        QVERIFY(host.RunCycle());
        InboxModel& list = host.inbox->Messages();
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.Text(0, InboxModel::kNumberColumn), QStringLiteral("10086"));
        QCOMPARE(host.Content(0), QStringLiteral("Balance 12.50"));
        QCOMPARE(list.Text(1, InboxModel::kNumberColumn), QStringLiteral("+8613912345678"));
        QCOMPARE(host.Content(1), QStringLiteral("你好，世界"));
        const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
        QVERIFY(time.match(list.Text(0, InboxModel::kTimeColumn)).hasMatch());
        QVERIFY(time.match(list.Text(1, InboxModel::kTimeColumn)).hasMatch());
        QCOMPARE(host.iconShown, 2);

        QCOMPARE(host.simAtSave, 2);
        QCOMPARE(host.saved.size(), 2);
        QCOMPARE(host.Stored(), 0);
        QCOMPARE(host.Count("AT+CMGD="), 2);
        QVERIFY(!host.call->IsTimer1Active());
        QCOMPARE(host.Count("AT$CSQ=0"), 1);

        // Nothing unread: the cycle ends after the listing.
        QVERIFY(host.RunCycle());
        QCOMPARE(list.rowCount(), 2);
    }

    // A read that fails once costs one attempt and adds the message once.
    void failedReadIsTriedAgain() {
        CardHost host;
        host.Receive("10086", "once");
        {
            std::lock_guard lock(host.shared->mutex);
            host.shared->modem.SetFault("AT+CMGR", vcard::CardFault::Error, 1);
        }
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 1);
        QCOMPARE(host.Content(0), QStringLiteral("once"));
        QCOMPARE(host.Stored(), 0);
    }

    // 22 read attempts a cycle: the rest, already marked read by the listing, come in
    // the next cycle, each message once.
    void twentyFiveMessagesAllArrive() {
        CardHost host;
        for (int i = 1; i <= 25; ++i) {
            host.Receive("10086", "message " + std::to_string(i));
        }
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 22);
        QCOMPARE(host.Stored(), 3);
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 25);
        QCOMPARE(host.Stored(), 0);
        QStringList texts;
        for (int row = 0; row < 25; ++row) {
            texts << host.Content(row);
        }
        texts.sort();
        texts.removeDuplicates();
        QCOMPARE(texts.size(), 25);
        QCOMPARE(host.Content(0), QStringLiteral("message 25"));
    }

    // A message that arrives while a cycle runs waits for the next one.
    void messageArrivingDuringACycleComesNext() {
        CardHost host;
        host.Receive("10086", "first");
        host.onSave = [&host] {
            host.onSave = nullptr;
            host.Receive("10010", "second");
        };
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 1);
        QCOMPARE(host.Stored(), 1);
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 2);
        QCOMPARE(host.Content(0), QStringLiteral("second"));
        QCOMPARE(host.Stored(), 0);
    }

    // Without "sms.dat" written nothing leaves the SIM; the next cycle whose save works
    // deletes it, and the list holds it once.
    void failedSaveDeletesNothing() {
        CardHost host;
        host.Receive("10086", "keep me");
        host.saveSucceeds = false;
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 1);
        QCOMPARE(host.Stored(), 1);
        QCOMPARE(host.Count("AT+CMGD="), 0);
        QCOMPARE(host.statusText, QString::fromUtf8(InboxPoller::kSaveFailedText));

        host.saveSucceeds = true;
        QVERIFY(host.RunCycle());
        QCOMPARE(host.Stored(), 0);
        QCOMPARE(host.inbox->Messages().rowCount(), 1);
        QCOMPARE(host.saved, QStringList{QStringLiteral("keep me")});
    }

    // A dial stops the timers while a cycle runs: the cycle ends without another
    // modem command and leaves the call poll stopped. The message stays on the SIM
    // until a later cycle, once saved.
    void stoppedCycleLeavesTheModemAlone() {
        CardHost host;
        host.Receive("10086", "during a dial");
        std::size_t linesAtStop = 0;
        host.onSave = [&host, &linesAtStop] {
            host.onSave = nullptr;
            linesAtStop = host.Lines().size();
            host.inbox->StopTimer1();
            host.call->StopTimer1();
        };
        host.inbox->StartCycle();
        QTRY_VERIFY_WITH_TIMEOUT(!host.inbox->CycleRunning(), kCycleLimitMs);
        QCoreApplication::processEvents();
        QCOMPARE(host.Lines().size(), linesAtStop);
        QVERIFY(!host.call->IsTimer1Active());
        QCOMPARE(host.Stored(), 1);
        QCOMPARE(host.inbox->Messages().rowCount(), 1);

        QVERIFY(host.RunCycle());
        QCOMPARE(host.Stored(), 0);
        QCOMPARE(host.inbox->Messages().rowCount(), 1);
    }

    // More unread messages than the 50 slots: the rest come in later cycles.
    void listingBeyondTheSlotsIsKept() {
        vcard::CardOptions options;
        options.smsCapacity = 60;
        CardHost host(options);
        for (int i = 1; i <= 55; ++i) {
            host.Receive("10086", "n" + std::to_string(i));
        }
        for (int cycle = 0; cycle < 3; ++cycle) {
            QVERIFY(host.RunCycle());
        }
        QCOMPARE(host.inbox->Messages().rowCount(), 55);
        QCOMPARE(host.Stored(), 0);
    }

    // Three parts delivered out of order, another message between them: one entry
    // with the whole text once the last part is in, the parts kept on disk meanwhile.
    void concatenatedMessageShowsOnceWhole() {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        std::string text;
        for (int i = 0; i < 150; ++i) {
            text += i % 2 == 0 ? "长" : "信";
        }
        const auto time = vcard::SmsTimeStamp::At(1765000000);
        const auto parts =
            vcard::DeliverPduBuilder::Build("+8613912345678", text, time, "+8613800000500", 0x2A);
        QCOMPARE(parts.size(), std::size_t{3});
        const auto sixteen = vcard::DeliverPduBuilder::Build("10010", std::string(170, 'x'), time,
                                                             "+8613800000500", 0x1234, true);
        {
            CardHost host;
            host.Store(parts[2]);
            host.Receive("10086", "between");
            host.Store(parts[0]);
            host.Store(sixteen[1]);
            QVERIFY(host.RunCycle());
            QCOMPARE(host.inbox->Messages().rowCount(), 1);
            QCOMPARE(host.Content(0), QStringLiteral("between"));
            QCOMPARE(host.Stored(), 0);
            QVERIFY(QFile::exists(QStringLiteral("smsparts.dat")));
        }
        // A restart in between: the parts wait in the store, not in memory.
        CardHost host;
        host.Store(parts[1]);
        host.Store(sixteen[0]);
        host.Store(vcard::DeliverPduBuilder::BuildEightBit("10086", "PIN 1234", time, ""));
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 3);
        QCOMPARE(host.Content(2), QString::fromStdString(text));
        QCOMPARE(host.inbox->Messages().Text(2, InboxModel::kNumberColumn),
                 QStringLiteral("+8613912345678"));
        QCOMPARE(host.Content(1), QString(170, QLatin1Char('x')));
        QCOMPARE(host.Content(0), QStringLiteral("PIN 1234"));
        QCOMPARE(host.Stored(), 0);
        QVERIFY(QDir::setCurrent(previous));
    }

    // A joined message is shown once: after a cycle whose save failed, and after an
    // earlier run that wrote it to "sms.dat" and ended before it removed the parts
    // from the store, or before it deleted them from the SIM.
    void joinedMessageIsShownOnce() {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const auto time = vcard::SmsTimeStamp::At(1765000000);
        {
            CardHost host;
            for (const auto& part : vcard::DeliverPduBuilder::Build("10010", std::string(170, 'y'),
                                                                    time, "+8613800000500", 7)) {
                host.Store(part);
            }
            host.saveSucceeds = false;
            QVERIFY(host.RunCycle());
            host.saveSucceeds = true;
            // A delete refused: the parts stay in the store while the SIM may hold them.
            {
                std::lock_guard lock(host.shared->mutex);
                host.shared->modem.SetFault("AT+CMGD", vcard::CardFault::Error, 1);
            }
            QVERIFY(host.RunCycle());
            QCOMPARE(host.Stored(), 1);
            PartStore store;
            store.Load();
            QCOMPARE(store.Ready(0, 0).size(), std::size_t{1});
            QVERIFY(host.RunCycle());
            QCOMPARE(host.inbox->Messages().rowCount(), 1);
            store.Load();
            QVERIFY(store.Ready(0, 0).empty());
        }
        {
            CardHost host;
            const std::string text(170, 'w');
            for (auto part :
                 vcard::DeliverPduBuilder::Build("10010", text, time, "+8613800000500", 6)) {
                part.status = vcard::StoredMessage::Status::ReceivedRead;
                host.Store(part);
            }
            QVERIFY(InboxJournal().Save({false, {}, {"1", "2"}}));
            host.inbox->AddMessage({QStringLiteral("12:00:00"), QStringLiteral("10010"),
                                    QString::fromStdString(text)});
            QVERIFY(host.RunCycle());
            QCOMPARE(host.inbox->Messages().rowCount(), 1);
            QCOMPARE(host.Stored(), 0);
        }
        PartStore store;
        const long long now = std::time(nullptr);
        QVERIFY(store.Add({"10010", 8, 2, 1, now, "kept "}));
        QVERIFY(store.Add({"10010", 8, 2, 2, now, "before"}));
        QVERIFY(store.Add({"10086", 9, 2, 1, now, "not kept "}));
        QVERIFY(store.Add({"10086", 9, 2, 2, now, "yet"}));
        CardHost host;
        host.inbox->AddMessage(
            {QStringLiteral("12:00:00"), QStringLiteral("10010"), QStringLiteral("kept before")});
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 2);
        QCOMPARE(host.Content(0), QStringLiteral("not kept yet"));
        store.Load();
        QVERIFY(store.Ready(now, 0).empty());
        QVERIFY(QDir::setCurrent(previous));
    }

    // Read messages on the SIM: a and b an earlier run took (b reached the list), u the
    // user kept. Only what the journal names is taken back, each message once; with a
    // listing under way, all but the user's; without a journal, none.
    void onlyWhatTheJournalNamesIsTakenBack() {
        const std::optional<InboxJournal::State> journals[] = {
            InboxJournal::State{false, {"3"}, {"1", "2"}}, InboxJournal::State{true, {"3"}, {}},
            std::nullopt};
        for (const auto& journal : journals) {
            init();
            CardHost host;
            for (const char* text : {"a", "b", "u"}) {
                vcard::StoredMessage read = vcard::DeliverPduBuilder::Build(
                    "10086", text, vcard::SmsTimeStamp::At(1765000000), "+8613800000500", 0)[0];
                read.status = vcard::StoredMessage::Status::ReceivedRead;
                host.Store(read);
            }
            if (journal) {
                QVERIFY(InboxJournal().Save(*journal));
            }
            host.inbox->AddMessage({"12:00:00", "10086", QStringLiteral("b")});
            host.Receive("10010", "c");
            QVERIFY(host.RunCycle());
            QVERIFY(host.RunCycle());
            QStringList texts = host.saved;
            texts.sort();
            QCOMPARE(texts, journal ? QStringList({"a", "b", "c"}) : QStringList({"b", "c"}));
            QCOMPARE(host.Stored(), journal ? 1 : 3);
            QCOMPARE(host.Count("AT+CMGL"), 3);
        }
    }

    // A listing line and a ring forged in a message's body, then four plain messages:
    // one cycle fetches all five, once each, reads only the slots listed, and no call
    // is shown.
    void forgedLinesInABodyAreText() {
        CardHost host;
        const std::string forged =
            "hello\r\n+CMGL: 29,\"REC UNREAD\",\"+8613800138000\",,"
            "\"25/12/31,08:30:00+32\"\r\nRING\r\n+CLIP: \"95588\",129";
        host.Store(test::FromPdu(test::InboxPdus("forged")[0], "10086", forged));
        for (int i = 1; i <= 4; ++i) {
            host.Receive("10010", "plain " + std::to_string(i));
        }
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 5);
        QCOMPARE(host.Content(4), QString::fromStdString(forged));
        QCOMPARE(host.Stored(), 0);
        for (const std::string& line : host.Lines()) {
            QVERIFY(line.rfind("AT+CMGR=", 0) != 0 || (line.size() == 9 && line[8] <= '5'));
        }
        QVERIFY(host.shownView != PageHost::kCallView);
    }

    // A slot that always fails is set aside after two reads; the others arrive in the
    // same cycle, and each later cycle tries it once.
    void slotFailingForeverIsSetAside() {
        CardHost host;
        for (int i = 1; i <= 4; ++i) {
            host.Receive("10010", "n" + std::to_string(i));
        }
        {
            std::lock_guard lock(host.shared->mutex);
            host.shared->modem.SetFault("AT+CMGR=2", vcard::CardFault::Error, -1);
        }
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 3);
        QCOMPARE(host.Count("AT+CMGR=2"), 2);
        QVERIFY(host.RunCycle());
        QVERIFY(host.RunCycle());
        QCOMPARE(host.Count("AT+CMGR=2"), 4);
        QCOMPARE(host.Stored(), 1);
    }

    // Two long messages with one reference, their parts interleaved: both whole.
    void twoLongMessagesWithOneReference() {
        CardHost host;
        const auto pdus = test::InboxPdus("same-reference");
        for (const std::size_t i : {0, 2, 1, 3}) {
            host.Store(test::FromPdu(pdus[i], "10010"));
        }
        QVERIFY(host.RunCycle());
        QCOMPARE(host.inbox->Messages().rowCount(), 2);
        QCOMPARE(host.Content(1), QString(200, QLatin1Char('A')));
        QCOMPARE(host.Content(0), QString(200, QLatin1Char('B')));
    }

    // A click shows the entry's text; reply and forward fill only their own field.
    void viewerReplyForwardAndDelete() {
        CardHost host;
        host.inbox->AddMessage({"08:00:00", "13800138000", QStringLiteral("明天见")});
        host.inbox->AddMessage({"09:00:00", "10086", QStringLiteral("话费提醒")});
        host.compose->MessageBox().setPlainText(QStringLiteral("draft"));
        host.compose->Recipient().setEditText(QStringLiteral("old"));

        // Reply without a selection opens the compose view as it was.
        host.inbox->Reply();
        QCOMPARE(host.shownView, int(PageHost::kComposeView));
        QCOMPARE(host.compose->Recipient().currentText(), QStringLiteral("old"));

        host.inbox->show();
        QTableView& list = host.inbox->MessageList();
        list.selectRow(1);
        QCOMPARE(host.inbox->Viewer().toPlainText(), QString());
        host.inbox->ShowSelectedMessage();
        QCOMPARE(host.inbox->Viewer().toPlainText(), QStringLiteral("明天见"));

        host.inbox->Reply();
        QCOMPARE(host.compose->Recipient().currentText(), QStringLiteral("13800138000"));
        QCOMPARE(host.compose->MessageBox().toPlainText(), QStringLiteral("draft"));
        host.inbox->Forward();
        QCOMPARE(host.compose->MessageBox().toPlainText(), QStringLiteral("明天见"));
        QCOMPARE(host.compose->Recipient().currentText(), QStringLiteral("13800138000"));

        host.inbox->DeleteSelected();
        QCOMPARE(host.inbox->Messages().rowCount(), 1);
        QCOMPARE(host.inbox->Viewer().toPlainText(), QStringLiteral("明天见"));
    }

private:
    std::unique_ptr<QTemporaryDir> folder_;
};

}  // namespace veltro

QTEST_MAIN(veltro::SmsInboxTest)
#include "test_sms_inbox.moc"
