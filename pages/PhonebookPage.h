#pragma once

#include <QStandardItemModel>

#include "pages/DialogPage.h"

namespace veltro {

// The page of template 134: the local phonebook. Its list is the contact store; the
// main window loads and saves it as "vc.dat".
class PhonebookPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 134;
    enum Column { kNameColumn = 0, kNumberColumn = 1 };

    PhonebookPage(PageHost& host, QWidget* parent);

    QStandardItemModel& Entries() { return entries_; }

private:
    QStandardItemModel entries_;
};

}  // namespace veltro
