#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/DataFiles.h"
#include "records/MessageRecord.h"
#include "records/RecordFile.h"
#include "tests/pages/InboxPdus.h"
#include "tests/pages/SmsCardHost.h"

namespace veltro {

class InboxRestartTest : public QObject {
    Q_OBJECT

private slots:
    // A 3-part UCS2 message ending in an emoji, one with Hangul and an emoji, and one
    // whose 255-byte cut falls in GBK's extension (lead bytes 0x81-0xA0) show whole
    // after a restart; "sms.dat" keeps its 320-byte GBK records, cut as before.
    void wholeTextsSurviveARestart() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString longText = QStringLiteral("长信").repeated(75) + QStringLiteral("😀");
        const QString extension = QStringLiteral("a") + QStringLiteral("丂").repeated(128);
        {
            test::CardHost host;
            const auto pdus = test::InboxPdus("long");
            for (const std::size_t i : {2, 0, 1}) {
                host.Store(test::FromPdu(pdus[i], "+8613912345678"));
            }
            host.Store(test::FromPdu(test::InboxPdus("hangul")[0], "+8613912345678"));
            QVERIFY(host.RunCycle());
            host.inbox->AddMessage({"08:00:00", "10086", extension});
            QVERIFY(DataFiles::Save(host.phonebook, host.inbox->Messages()));
        }
        QCOMPARE(QFile(MessageRecord::kFileName).size(), 3 * 320);
        // The records as Python's GBK codec cuts and replaces them.
        const auto records = RecordFile<MessageRecord>::Read(MessageRecord::kFileName);
        QCOMPARE(QString::fromStdString(records[0].content),
                 QStringLiteral("长信").repeated(63) + QStringLiteral("长"));
        QCOMPARE(QString::fromStdString(records[1].content), QStringLiteral("????? ? 你好"));
        QCOMPARE(QString::fromStdString(records[2].content),
                 QStringLiteral("a") + QStringLiteral("丂").repeated(127));

        QStandardItemModel phonebook;
        InboxModel list;
        DataFiles::Load(phonebook, list);
        QCOMPARE(list.Text(2, InboxModel::kContentColumn), longText);
        QCOMPARE(list.Text(1, InboxModel::kContentColumn), QStringLiteral("안녕하세요 😀 你好"));
        QCOMPARE(list.Text(0, InboxModel::kContentColumn), extension);

        // A damaged file is moved aside and told; what came before the damage is kept.
        QFile file(QString::fromUtf8("smstext.dat"));
        QVERIFY(file.open(QIODevice::Append));
        file.write("broken\\q\n");
        file.close();
        QStringList problems;
        InboxModel again;
        DataFiles::Load(phonebook, again, &problems);
        QCOMPARE(problems.size(), 1);
        QCOMPARE(again.Text(0, InboxModel::kContentColumn), extension);
        QVERIFY(!QFile::exists(QString::fromUtf8("smstext.dat")));
        QCOMPARE(QDir().entryList({QStringLiteral("smstext.dat.damaged-*")}).size(), 1);
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::InboxRestartTest)
#include "test_inbox_restart.moc"
