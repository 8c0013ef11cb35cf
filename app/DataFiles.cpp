#include "app/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <ctime>
#include <vector>

#include "modem/AtomicFile.h"
#include "modem/StoredFile.h"
#include "pages/InboxModel.h"
#include "pages/PhonebookPage.h"
#include "records/DataFolderLock.h"
#include "records/InboxJournal.h"
#include "records/MessageRecord.h"
#include "records/PartStore.h"
#include "records/PhonebookEntryRecord.h"
#include "records/RecordFile.h"
#include "records/WholeTextFile.h"

namespace veltro {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Cell(const QStandardItemModel& model, int row, int column) {
    return model.index(row, column).data().toString().toStdString();
}

void InsertAtTop(QStandardItemModel& model, const QStringList& texts) {
    QList<QStandardItem*> items;
    for (const QString& text : texts) {
        items.append(new QStandardItem(text));
    }
    model.insertRow(0, items);
}

// The record's file in folder, or in the current directory when folder is empty.
template <typename Record>
std::string PathIn(const QString& folder) {
    if (folder.isEmpty()) {
        return RecordFile<Record>::CurrentDirectoryPath();
    }
    return folder.toStdString() + "/" + Record::kFileName;
}

// The phonebook's records, bottom row first.
std::vector<PhonebookEntryRecord> PhonebookRecords(const QStandardItemModel& phonebook) {
    std::vector<PhonebookEntryRecord> entries;
    for (int row = phonebook.rowCount() - 1; row >= 0; --row) {
        entries.push_back({Cell(phonebook, row, PhonebookPage::kNameColumn),
                           Cell(phonebook, row, PhonebookPage::kNumberColumn)});
    }
    return entries;
}

// The inbox's records, bottom row first.
std::vector<MessageRecord> MessageRecords(const InboxModel& messages) {
    std::vector<MessageRecord> records;
    records.reserve(messages.BottomFirst().size());
    for (const InboxModel::Entry& entry : messages.BottomFirst()) {
        records.push_back(
            {entry.number.toStdString(), entry.time.toStdString(), entry.content.toStdString()});
    }
    return records;
}

// Where a load's findings go. A file that must not be written this run is held.
struct Report {
    QStringList* problems;
    QStringList* details;
    const void* holder;

    void Tell(const QString& problem, const std::string& detail) const {
        std::fprintf(stderr, "veltrogprs: %s\n", detail.c_str());
        if (problems != nullptr) {
            *problems << problem;
        }
        if (details != nullptr) {
            *details << QString::fromStdString(detail);
        }
    }
    void Hold(const std::string& path, std::string bytes) const {
        if (holder != nullptr) {
            AtomicFile::Hold(holder, path, std::move(bytes));
        }
    }
    void Unreadable(const std::string& path, const std::string& why) const {
        Hold(path, {});
        Tell(QCoreApplication::translate("DataFiles", DataFiles::kUnreadableText).arg(NameOf(path)),
             path + ": " + why + "; it is not written this run");
    }
    static QString NameOf(const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).fileName();
    }
};

// The records of a data file in the current directory. Only a missing file is empty: one
// that cannot be read is left alone this run, and a damaged one (its length not a whole
// number of records) is moved aside before anything is written over it.
template <typename Record>
std::vector<Record> LoadRecords(const Report& report) {
    const std::string path = PathIn<Record>({});
    typename RecordFile<Record>::Loaded loaded = RecordFile<Record>::Load(path);
    if (loaded.state == StoredFile::State::kFailed) {
        report.Unreadable(path, loaded.why);
        return {};
    }
    if (loaded.damaged) {
        const std::string aside = StoredFile::MoveAside(path, std::time(nullptr));
        if (aside.empty()) {
            report.Hold(path, RecordFile<Record>::Encode(loaded.records));
            report.Tell(QCoreApplication::translate("DataFiles", DataFiles::kDamagedKeptText)
                            .arg(Report::NameOf(path)),
                        path + ": damaged and cannot be renamed; it is not written this run");
        } else {
            report.Tell(QCoreApplication::translate("DataFiles", DataFiles::kDamagedText)
                            .arg(Report::NameOf(path), Report::NameOf(aside)),
                        path + ": not a whole number of records; kept as " + aside);
        }
    }
    return std::move(loaded.records);
}

}  // namespace

bool DataFiles::ClaimFolder(DataFolderLock& lock, const void* holder, QStringList* problems,
                            QStringList* details) {
    const std::string folder = QDir::currentPath().toStdString();
    if (lock.Take(folder, "veltrogprs") != DataFolderLock::State::kTaken) {
        return true;
    }
    // Another process writes these files: this window reads them and writes none.
    for (const char* name :
         {PhonebookEntryRecord::kFileName, MessageRecord::kFileName, WholeTextFile::kFileName,
          PartStore::kFileName, InboxJournal::kFileName}) {
        const std::string path = folder + "/" + name;
        AtomicFile::Hold(holder, path, StoredFile::Read(path).bytes);
    }
    const QString problem = lock.Pid() != 0
                                ? QCoreApplication::translate("DataFiles", kFolderTakenText)
                                      .arg(lock.Pid())
                                      .arg(QString::fromStdString(lock.Host()))
                                : QCoreApplication::translate("DataFiles", kFolderTakenUnknownText);
    Report{problems, details, nullptr}.Tell(problem, "another program uses the data files in " +
                                                         folder + ": " + lock.Holder() +
                                                         "; this window writes none of them");
    return false;
}

void DataFiles::Release(const void* holder) {
    AtomicFile::Release(holder);
}

void DataFiles::Load(QStandardItemModel& phonebook, InboxModel& messages, QStringList* problems,
                     QStringList* details, const void* holder) {
    Report report{problems, details, holder};
    for (const auto& entry : LoadRecords<PhonebookEntryRecord>(report)) {
        InsertAtTop(phonebook, {FromUtf8(entry.name), FromUtf8(entry.number)});
    }
    std::vector<MessageRecord> records = LoadRecords<MessageRecord>(report);
    // The part store reads itself; a store that cannot be read is not replaced either.
    const std::string partsPath = PathIn<PartStore>({});
    if (const StoredFile parts = StoredFile::Read(partsPath);
        parts.state == StoredFile::State::kFailed) {
        report.Unreadable(partsPath, parts.why);
    }
    const std::string wholeTextPath = PathIn<WholeTextFile>({});
    const WholeTextFile::Loaded wholeTexts = WholeTextFile::Load(wholeTextPath);
    if (wholeTexts.state == StoredFile::State::kFailed) {
        report.Unreadable(wholeTextPath, wholeTexts.why);
    }
    WholeTextFile::Restore(records, wholeTexts.entries);
    // The entries before the damage are used; the file is kept under another name.
    if (wholeTexts.damaged) {
        const std::string aside = StoredFile::MoveAside(wholeTextPath, std::time(nullptr));
        if (aside.empty()) {
            report.Hold(wholeTextPath, WholeTextFile::Encode(wholeTexts.entries));
            report.Tell(
                QCoreApplication::translate("DataFiles", kDamagedKeptText)
                    .arg(Report::NameOf(wholeTextPath)),
                wholeTextPath + ": damaged and cannot be renamed; it is not written this run");
        } else {
            report.Tell(QCoreApplication::translate("DataFiles", kDamagedText)
                            .arg(Report::NameOf(wholeTextPath), Report::NameOf(aside)),
                        wholeTextPath + ": a line does not read back; kept as " + aside);
        }
    }
    std::vector<InboxModel::Entry> entries;
    for (const auto& message : records) {
        entries.push_back(
            {FromUtf8(message.time), FromUtf8(message.number), FromUtf8(message.content)});
    }
    messages.InsertEachAtTop(std::move(entries));
}

bool DataFiles::Save(const QStandardItemModel& phonebook, const InboxModel& messages,
                     const QString& folder) {
    const bool phonebookSaved = SavePhonebook(phonebook, folder);
    using MessageFile = RecordFile<MessageRecord>;
    const std::vector<MessageRecord> records = MessageRecords(messages);
    // The whole texts first: "sms.dat" never names a cut text that this file lacks.
    const bool messagesSaved =
        WholeTextFile::Write(PathIn<WholeTextFile>(folder), WholeTextFile::For(records)) &&
        MessageFile::Write(PathIn<MessageRecord>(folder), records);
    return phonebookSaved && messagesSaved;
}

bool DataFiles::SavePhonebook(const QStandardItemModel& phonebook, const QString& folder) {
    using PhonebookFile = RecordFile<PhonebookEntryRecord>;
    return PhonebookFile::Write(PathIn<PhonebookEntryRecord>(folder), PhonebookRecords(phonebook));
}

std::string DataFiles::PhonebookBytes(const QStandardItemModel& phonebook) {
    return RecordFile<PhonebookEntryRecord>::Encode(PhonebookRecords(phonebook));
}

std::string DataFiles::MessageBytes(const InboxModel& messages) {
    return RecordFile<MessageRecord>::Encode(MessageRecords(messages));
}

}  // namespace veltro
