#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>

#include "pages/DialogPage.h"
#include "ui/SkinButton.h"

namespace veltro {

// The page of template 134: the local phonebook. Its list is the contact store; the
// main window loads and saves it as "vc.dat". New entries go on top, the list is never
// sorted, and nothing is tested on add: empty and repeated entries are kept as typed.
class PhonebookPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 134;
    enum Column { kNameColumn = 0, kNumberColumn = 1 };
    enum ControlId {
        kDeleteButton = 1006,
        kAddButton = 1007,
        kList = 1026,
        kNameField = 1027,
        kNumberField = 1028,
    };
    // Limits of the two fields in GBK bytes; they keep every entry inside the record
    // fields of "vc.dat" (16 and 32 bytes with their terminators).
    static constexpr int kNameBytes = 8;
    static constexpr int kNumberBytes = 16;

    PhonebookPage(PageHost& host, QWidget* parent);

    QStandardItemModel& Entries() { return entries_; }

    // Inserts the two fields' texts as a new top row; the fields keep their texts.
    void AddEntry();
    // Removes the selected row; nothing without a selection.
    void DeleteEntry();
    // Copies the selected row into the two fields; nothing without a selection.
    void SelectEntry();

    QLineEdit& NameField() { return *nameField_; }
    QLineEdit& NumberField() { return *numberField_; }
    SkinButton& AddButton() { return *addButton_; }
    SkinButton& DeleteButton() { return *deleteButton_; }
    QTableView& List() { return *list_; }

signals:
    // A row was added or deleted on the page.
    void entriesChanged();

private:
    SkinButton* deleteButton_ = nullptr;
    SkinButton* addButton_ = nullptr;
    QTableView* list_ = nullptr;
    QLineEdit* numberField_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QStandardItemModel entries_;
};

}  // namespace veltro
