#include <QTimer>
#include <QtTest>

#include "GammuLink.h"
#include "SmsCardHost.h"

namespace veltro {

using test::CardHost;
using test::kCycleLimitMs;

namespace {

// 150 Chinese characters: three UCS2 parts of 67, 67 and 16.
QString LongChineseText() {
    const QString verse = QStringLiteral("床前明月光疑是地上霜举头望明月低头思故乡");
    QString text;
    while (text.size() < 150) {
        text += verse;
    }
    return text.left(150);
}

}  // namespace

class SmsComposeTest : public QObject {
    Q_OBJECT

private:
    static bool Send(CardHost& host) {
        QSignalSpy finished(host.compose, &SmsComposePage::sendFinished);
        host.compose->Send();
        if (finished.isEmpty() && !finished.wait(kCycleLimitMs)) {
            return false;
        }
        return finished.at(0).at(0).toBool();
    }

private slots:
    void recipientNumberComesFromTheBrackets_data() {
        QTest::addColumn<QString>("recipient");
        QTest::addColumn<QString>("number");
        QTest::newRow("picked") << QStringLiteral("张三(13800138000)") << "13800138000";
        QTest::newRow("typed") << "13800138000"
                               << "13800138000";
        QTest::newRow("closeBeforeOpen") << ")1("
                                         << ")1(";
        QTest::newRow("noOpen") << "1)"
                                << "1)";
        QTest::newRow("noClose") << "a(1"
                                 << "a(1";
        QTest::newRow("numberWrittenWithBrackets") << "(010) 8888 6666"
                                                   << "(010) 8888 6666";
    }
    void recipientNumberComesFromTheBrackets() {
        QFETCH(QString, recipient);
        QFETCH(QString, number);
        QCOMPARE(SmsComposePage::NumberOf(recipient), number);
    }

    // The list is rebuilt each time it drops down, sorted, each contact once; a picked
    // contact is sent to the number in brackets and the text stays in the box.
    void pickedContactGetsTheMessage() {
        CardHost host;
        host.phonebook.appendRow({new QStandardItem(QStringLiteral("王五")),
                                  new QStandardItem(QStringLiteral("13900139000"))});
        host.phonebook.appendRow({new QStandardItem(QStringLiteral("Ann")),
                                  new QStandardItem(QStringLiteral("13800138000"))});
        RecipientBox& box = host.compose->Recipient();
        host.compose->FillRecipients();
        host.compose->FillRecipients();
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QStringLiteral("Ann(13800138000)"));
        box.setCurrentIndex(0);
        host.compose->MessageBox().setPlainText(QStringLiteral("你好"));
        QVERIFY(Send(host));
        QCOMPARE(host.compose->StatusLine().text(), QString::fromUtf8(SmsComposePage::kSentText));
        QCOMPARE(host.compose->MessageBox().toPlainText(), QStringLiteral("你好"));
        QVERIFY(host.compose->SendButton().isEnabled());
        const auto sent = host.Sent();
        QCOMPARE(sent.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(sent[0].number), QStringLiteral("+8613800138000"));
        QCOMPARE(QString::fromStdString(sent[0].text), QStringLiteral("你好"));
    }

    // A long text goes out as linked parts; the counter tells how many while typing.
    void longTextGoesAsThreeLinkedParts() {
        CardHost host;
        const QString text = LongChineseText();
        host.compose->Recipient().setEditText(QStringLiteral("13800138000"));
        host.compose->MessageBox().setPlainText(text.left(70));
        QCOMPARE(host.compose->PartCounter().text(), QStringLiteral("70 字，1 条短信"));
        host.compose->MessageBox().setPlainText(text);
        QCOMPARE(host.compose->PartCounter().text(), QStringLiteral("150 字，3 条短信"));
        QVERIFY(Send(host));
        const auto sent = host.Sent();
        QCOMPARE(sent.size(), std::size_t{3});
        std::vector<std::string> pdus;
        QString joined;
        for (const auto& part : sent) {
            QVERIFY(part.hasHeader);
            QCOMPARE(part.dataCoding, 8);
            pdus.push_back(part.raw);
            joined += QString::fromStdString(part.text);
        }
        QCOMPARE(joined, text);
        if (!test::GammuAvailable()) {
            QSKIP("python3-gammu is not installed");
        }
        const auto linked = test::LinkWithGammu(pdus);
        QVERIFY(linked.has_value());
        QCOMPARE(linked->parts, 3);
        QCOMPARE(QString::fromStdString(linked->number), QStringLiteral("+8613800138000"));
        QCOMPARE(QString::fromStdString(linked->text), text);
    }

    // Characters outside GBK to a service number: sent as UCS2 to the number as it
    // is, not turned into '?'. To a number that is not digits: refused unsent.
    void textOutsideGbkIsKept() {
        CardHost host;
        host.compose->Recipient().setEditText(QStringLiteral("10086"));
        host.compose->MessageBox().setPlainText(QStringLiteral("查询 😀"));
        QVERIFY(Send(host));
        auto sent = host.Sent();
        QCOMPARE(sent.size(), std::size_t{1});
        QVERIFY(sent[0].pduMode);
        QCOMPARE(QString::fromStdString(sent[0].number), QStringLiteral("10086"));
        QCOMPARE(QString::fromStdString(sent[0].text), QStringLiteral("查询 😀"));

        host.compose->Recipient().setEditText(QStringLiteral("ABC"));
        QVERIFY(!Send(host));
        QCOMPARE(host.compose->StatusLine().text(), QString::fromUtf8(SmsComposePage::kFailedText));
        QCOMPARE(host.Sent().size(), std::size_t{1});
    }

    // A send asked for in the middle of a poll cycle goes ahead of the cycle's next
    // step, whole, and the cycle still ends with the message deleted.
    void sendGoesAheadOfTheCyclesNextStep() {
        CardHost host;
        host.Receive("10086", "incoming");
        host.compose->Recipient().setEditText(QStringLiteral("13800138000"));
        host.compose->MessageBox().setPlainText(QStringLiteral("outgoing"));
        QSignalSpy finished(host.compose, &SmsComposePage::sendFinished);
        host.onSave = [&host] {
            host.onSave = nullptr;
            host.compose->Send();
        };
        QVERIFY(host.RunCycle());
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), kCycleLimitMs);
        QVERIFY(finished.at(0).at(0).toBool());
        QVERIFY(test::Settle(host.session));
        QCOMPARE(host.Stored(), 0);
        QCOMPARE(host.Sent().size(), std::size_t{1});
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::SmsComposeTest)
#include "test_sms_compose.moc"
