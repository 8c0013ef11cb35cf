#include "pages/InboxModel.h"

#include <QCoreApplication>

namespace veltro {

namespace {

const char* const kHeadings[] = {QT_TRANSLATE_NOOP("InboxModel", "时间"),
                                 QT_TRANSLATE_NOOP("InboxModel", "号码"),
                                 QT_TRANSLATE_NOOP("InboxModel", "内容")};

}  // namespace

InboxModel::InboxModel(QObject* parent) : QAbstractTableModel(parent) {}

int InboxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int InboxModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant InboxModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return Text(index.row(), index.column());
}

QVariant InboxModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) {
        return {};
    }
    return QCoreApplication::translate("InboxModel", kHeadings[section]);
}

void InboxModel::InsertAtTop(Entry entry) {
    beginInsertRows({}, 0, 0);
    entries_.push_back(std::move(entry));
    endInsertRows();
}

void InboxModel::InsertEachAtTop(std::vector<Entry> entries) {
    if (entries.empty()) {
        return;
    }
    beginInsertRows({}, 0, static_cast<int>(entries.size()) - 1);
    entries_.insert(entries_.end(), std::make_move_iterator(entries.begin()),
                    std::make_move_iterator(entries.end()));
    endInsertRows();
}

void InboxModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    beginRemoveRows({}, row, row);
    entries_.erase(entries_.end() - 1 - row);
    endRemoveRows();
}

void InboxModel::Clear() {
    beginResetModel();
    entries_.clear();
    endResetModel();
}

const InboxModel::Entry& InboxModel::At(int row) const {
    return entries_[entries_.size() - 1 - static_cast<std::size_t>(row)];
}

QString InboxModel::Text(int row, int column) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    const Entry& entry = At(row);
    switch (column) {
        case kTimeColumn:
            return entry.time;
        case kNumberColumn:
            return entry.number;
        case kContentColumn:
            return entry.content;
        default:
            return {};
    }
}

}  // namespace veltro
