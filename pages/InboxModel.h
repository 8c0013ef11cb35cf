#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

namespace veltro {

// The inbox's message list: time, number and text of every received message, newest
// on top. Rows are kept bottom row first, the order "sms.dat" stores them in, so that
// putting a message on top and loading a file are appends and a list of 100,000
// messages loads and saves in linear time.
class InboxModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kTimeColumn = 0, kNumberColumn = 1, kContentColumn = 2 };

    struct Entry {
        QString time;
        QString number;
        QString content;
    };

    explicit InboxModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Puts a message on top of the list.
    void InsertAtTop(Entry entry);
    // Puts each message on top in turn, as the records of "sms.dat" are read: the
    // last one given ends up on top.
    void InsertEachAtTop(std::vector<Entry> entries);
    void RemoveRow(int row);
    void Clear();

    const Entry& At(int row) const;
    QString Text(int row, int column) const;
    // Every row, bottom row first.
    const std::vector<Entry>& BottomFirst() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

}  // namespace veltro
