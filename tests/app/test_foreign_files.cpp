#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include "CardWindow.h"
#include "WindowSandbox.h"
#include "app/DataFiles.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/SessionEnd.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"
#include "records/RecordFile.h"

namespace veltro {

namespace {

// What shows that a file was neither written nor replaced.
QString Identity(const char* name) {
    struct stat info {};
    if (::lstat(name, &info) != 0) {
        return QStringLiteral("missing");
    }
    return QStringLiteral("%1 %2 %3.%4 %5")
        .arg(info.st_ino)
        .arg(info.st_size)
        .arg(info.st_mtim.tv_sec)
        .arg(info.st_mtim.tv_nsec)
        .arg(info.st_uid);
}

std::unique_ptr<MainDialog> Window() {
    Clock& clock = SystemClock::Instance();
    return std::make_unique<MainDialog>(clock, SerialPort::Factory(clock));
}

void AddContact(MainDialog& window, const char* name, const char* number) {
    window.Phonebook().NameField().setText(QString::fromUtf8(name));
    window.Phonebook().NumberField().setText(QString::fromUtf8(number));
    window.Phonebook().AddEntry();
}

}  // namespace

// Files the window cannot read, or may not take over, in its data folder: left by an
// earlier run as root, or in use by a window of another session.
class ForeignFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { DialogColours::Apply(); }

    // Root's files in a user's folder: the user cannot read them (root, which reads
    // everything, meets a user's files instead). A start, a fetched message, an added
    // contact and SIGTERM leave both as they were, and the window says why.
    void unreadableFilesSurviveARunAndATerminationSignal() {
        test::WindowSandbox dir;
        // scripts/test-as-user.sh leaves root's files for the user to meet.
        const QString left = qEnvironmentVariable("VELTRO_ROOT_LEFT_FILES");
        for (const char* name : {"vc.dat", "sms.dat"}) {
            if (!left.isEmpty() && QFile::rename(left + '/' + name, name)) {
                continue;
            }
            QVERIFY(RecordFile<MessageRecord>::Write(name, {{"10086", "t", "old"}}));
            QVERIFY(::geteuid() == 0 ? ::chown(name, 65534, 65534) == 0 : ::chmod(name, 0) == 0);
        }
        const QString before = Identity("vc.dat") + Identity("sms.dat");
        auto card = test::StartCard(dir);
        QVERIFY(card != nullptr);

        auto window = Window();
        QCOMPARE(test::RunStartup(*window), int(DeviceStartup::kSuccess));
        for (const char* name : {"vc.dat", "sms.dat"}) {
            QVERIFY(window->StatusLine().text().contains(
                QString::fromUtf8(DataFiles::kUnreadableText).arg(name)));
            QVERIFY(window->StatusLine().toolTip().contains(dir.filePath(name)));
        }
        card->AddMessage("13800138000", "fetched");
        QTRY_COMPARE_WITH_TIMEOUT(window->Inbox().Messages().rowCount(), 1, 30000);
        AddContact(*window, "C", "3");

        SessionEnd sessionEnd;
        QVERIFY(sessionEnd.Install());
        connect(&sessionEnd, &SessionEnd::requested, window.get(),
                [&window] { window->Connection().EndForSession(); });
        QSignalSpy ended(window.get(), &MainDialog::ended);
        QVERIFY(std::raise(SIGTERM) == 0);
        QVERIFY(ended.wait(10000) || !ended.isEmpty());
        QCOMPARE(Identity("vc.dat") + Identity("sms.dat"), before);
        QCOMPARE(QDir().entryList({"vc.dat*", "sms.dat*"}, QDir::AllEntries | QDir::System),
                 QStringList({"sms.dat", "vc.dat"}));
    }

    // A window started from another session (another runtime folder) on the same data
    // folder reads the lists, says who uses them, and writes nothing.
    void aSecondWindowOnTheSameFolderWritesNothing() {
        test::WindowSandbox dir;
        auto first = Window();
        first->LoadDataFiles();
        AddContact(*first, "A", "1");
        const QString before = Identity("vc.dat") + Identity("sms.dat");

        QVERIFY(QDir().mkdir(QStringLiteral("other-run")));
        qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("other-run")).toUtf8());
        auto second = Window();
        second->LoadDataFiles();
        QCOMPARE(second->PhonebookEntries().rowCount(), 1);
        QVERIFY(second->StatusLine().text().contains(QString::number(::getpid())));
        AddContact(*second, "B", "2");
        second->Inbox().AddMessage({"08:00:00", "10086", QStringLiteral("话费提醒")});
        QVERIFY(!second->SaveDataFiles());
        second.reset();
        QCOMPARE(Identity("vc.dat") + Identity("sms.dat"), before);
        QVERIFY(first->SaveDataFiles());
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::ForeignFilesTest)
#include "test_foreign_files.moc"
