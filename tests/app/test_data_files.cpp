#include <QDir>
#include <QFile>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

#include "app/DataFiles.h"

namespace veltro {

class DataFilesTest : public QObject {
    Q_OBJECT

private:
    static QStandardItemModel* Phonebook(const QList<QStringList>& rows) {
        auto* model = new QStandardItemModel(0, 2);
        for (const QStringList& row : rows) {
            model->appendRow({new QStandardItem(row[0]), new QStandardItem(row[1])});
        }
        return model;
    }
    static QStringList Row(const QAbstractItemModel& model, int row) {
        QStringList texts;
        for (int column = 0; column < model.columnCount(); ++column) {
            texts << model.index(row, column).data().toString();
        }
        return texts;
    }
    static QByteArray Contents(const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static unsigned Mode(const char* path) {
        struct stat info {};
        return ::stat(path, &info) == 0 ? (info.st_mode & 07777) : 0;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString previousDirectory_;

private slots:
    void init() {
        previousDirectory_ = QDir::currentPath();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QVERIFY(QDir::setCurrent(dir_->path()));
    }
    void cleanup() {
        QDir::setCurrent(previousDirectory_);
        dir_.reset();
    }

    void savedListsReadBackInTheSameOrder() {
        QScopedPointer<QStandardItemModel> phonebook(
            Phonebook({{"A", "1"}, {QStringLiteral("张三"), "13800138000"}, {"C", "3"}}));
        InboxModel messages;
        messages.InsertAtTop({"09:00:00", "10010", QStringLiteral("第二条")});
        messages.InsertAtTop({"10:00:00", "10086", QStringLiteral("第一条")});
        QVERIFY(DataFiles::Save(*phonebook, messages));

        // The bottom row is the first record; the number leads a message record.
        const QByteArray vc = Contents(QStringLiteral("vc.dat"));
        QCOMPARE(vc.size(), 3 * 48);
        QCOMPARE(vc.left(2), QByteArray("C\0", 2));
        QCOMPARE(vc.mid(96, 2), QByteArray("A\0", 2));
        const QByteArray sms = Contents(QStringLiteral("sms.dat"));
        QCOMPARE(sms.size(), 2 * 320);
        QCOMPARE(sms.left(6), QByteArray("10010\0", 6));
        QCOMPARE(sms.mid(32, 9), QByteArray("09:00:00\0", 9));

        QStandardItemModel phonebookBack(0, 2);
        InboxModel messagesBack;
        DataFiles::Load(phonebookBack, messagesBack);
        QCOMPARE(phonebookBack.rowCount(), 3);
        QCOMPARE(Row(phonebookBack, 0), QStringList({"A", "1"}));
        QCOMPARE(Row(phonebookBack, 1), QStringList({QStringLiteral("张三"), "13800138000"}));
        QCOMPARE(Row(phonebookBack, 2), QStringList({"C", "3"}));
        QCOMPARE(Row(messagesBack, 0),
                 QStringList({"10:00:00", "10086", QStringLiteral("第一条")}));
        QCOMPARE(Row(messagesBack, 1),
                 QStringList({"09:00:00", "10010", QStringLiteral("第二条")}));
    }

    void hundredByteFileGivesTwoRows() {
        QByteArray bytes(100, '\0');
        bytes.replace(0, 3, "Ann");
        bytes.replace(16, 3, "111");
        bytes.replace(48, 3, "Bob");
        QFile file(QStringLiteral("vc.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QStandardItemModel phonebook(0, 2);
        InboxModel messages;
        QStringList problems;
        DataFiles::Load(phonebook, messages, &problems);
        QCOMPARE(phonebook.rowCount(), 2);
        QCOMPARE(Row(phonebook, 0), QStringList({"Bob", ""}));
        QCOMPARE(Row(phonebook, 1), QStringList({"Ann", "111"}));
        QCOMPARE(messages.rowCount(), 0);
        // The damaged file is kept under a name that says so, before any save.
        const QStringList aside = QDir().entryList({QStringLiteral("vc.dat.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(Contents(aside[0]), bytes);
        QCOMPARE(problems, QStringList(QString::fromUtf8(DataFiles::kDamagedText)
                                           .arg(QStringLiteral("vc.dat"), aside[0])));
    }

    // A phonebook file that cannot be replaced (here a directory holds its name) is
    // skipped; the messages are still written and no temporary file stays behind.
    void failedSaveOfOneFileStillWritesTheOther() {
        QVERIFY(QDir().mkpath(QStringLiteral("vc.dat/inside")));
        QScopedPointer<QStandardItemModel> phonebook(Phonebook({{"New", "2"}}));
        InboxModel messages;
        messages.InsertAtTop({"t", "n", "c"});
        QVERIFY(!DataFiles::Save(*phonebook, messages));
        QCOMPARE(Contents(QStringLiteral("sms.dat")).size(), 320);
        QVERIFY(QFileInfo(QStringLiteral("vc.dat/inside")).isDir());
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden),
                 QStringList({"sms.dat", "smstext.dat"}));
    }

    // Messages and contacts are the user's alone: new files are 0600 under the usual
    // umask, a mode the user chose survives a save, and another folder can be named.
    void filesArePrivateAndKeepTheirMode() {
        const mode_t saved = ::umask(022);
        QScopedPointer<QStandardItemModel> phonebook(Phonebook({{"A", "1"}}));
        InboxModel messages;
        QVERIFY(DataFiles::Save(*phonebook, messages));
        QCOMPARE(Mode("sms.dat"), 0600u);
        QCOMPARE(Mode("vc.dat"), 0600u);
        QCOMPARE(::chmod("sms.dat", 0640), 0);
        QVERIFY(DataFiles::Save(*phonebook, messages));
        QCOMPARE(Mode("sms.dat"), 0640u);

        QVERIFY(QDir().mkdir(QStringLiteral("elsewhere")));
        QVERIFY(DataFiles::Save(*phonebook, messages, dir_->filePath(QStringLiteral("elsewhere"))));
        QCOMPARE(Contents(QStringLiteral("elsewhere/vc.dat")).size(), 48);
        QVERIFY(QFileInfo::exists(QStringLiteral("elsewhere/sms.dat")));
        ::umask(saved);
    }
};

}  // namespace veltro

QTEST_GUILESS_MAIN(veltro::DataFilesTest)
#include "test_data_files.moc"
