#include "app/DataFiles.h"

#include <vector>

#include "records/MessageRecord.h"
#include "records/PhonebookEntryRecord.h"
#include "records/RecordFile.h"
#include "pages/InboxModel.h"
#include "pages/PhonebookPage.h"

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

}  // namespace

void DataFiles::Load(QStandardItemModel& phonebook, InboxModel& messages) {
    using PhonebookFile = RecordFile<PhonebookEntryRecord>;
    for (const auto& entry : PhonebookFile::Read(PhonebookFile::CurrentDirectoryPath())) {
        InsertAtTop(phonebook, {FromUtf8(entry.name), FromUtf8(entry.number)});
    }
    using MessageFile = RecordFile<MessageRecord>;
    std::vector<InboxModel::Entry> entries;
    for (const auto& message : MessageFile::Read(MessageFile::CurrentDirectoryPath())) {
        entries.push_back(
            {FromUtf8(message.time), FromUtf8(message.number), FromUtf8(message.content)});
    }
    messages.InsertEachAtTop(std::move(entries));
}

bool DataFiles::Save(const QStandardItemModel& phonebook, const InboxModel& messages,
                     const QString& folder) {
    const bool phonebookSaved = SavePhonebook(phonebook, folder);
    using MessageFile = RecordFile<MessageRecord>;
    const bool messagesSaved =
        MessageFile::Write(PathIn<MessageRecord>(folder), MessageRecords(messages));
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
