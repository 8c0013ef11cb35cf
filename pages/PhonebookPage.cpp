#include "pages/PhonebookPage.h"

#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>

#include "pages/DialogUnits.h"
#include "pages/GbkByteValidator.h"

namespace veltro {

namespace {

constexpr int kNameColumnWidth = 80;
constexpr int kNumberColumnWidth = 90;

}  // namespace

PhonebookPage::PhonebookPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(278, 171)), entries_(0, 2) {
    entries_.setHorizontalHeaderLabels({QCoreApplication::translate("PhonebookPage", "姓名"),
                                        QCoreApplication::translate("PhonebookPage", "号码")});
    const DialogUnits units;
    auto place = [&units](QWidget* widget, QRect rect) {
        widget->setGeometry(units.ToPixels(rect));
    };

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    place(frame, {1, 7, 134, 143});
    place(new QLabel(QCoreApplication::translate("PhonebookPage", "姓名："), this), {9, 27, 25, 8});
    nameField_ = new QLineEdit(this);
    nameField_->setValidator(new GbkByteValidator(kNameBytes, nameField_));
    place(nameField_, {8, 43, 119, 14});
    place(new QLabel(QCoreApplication::translate("PhonebookPage", "电话号码："), this),
          {7, 66, 41, 8});
    numberField_ = new QLineEdit(this);
    numberField_->setValidator(new GbkByteValidator(kNumberBytes, numberField_));
    place(numberField_, {8, 81, 119, 14});

    addButton_ = new SkinButton(QCoreApplication::translate("PhonebookPage", "添加(&A)"), this);
    deleteButton_ = new SkinButton(QCoreApplication::translate("PhonebookPage", "删除(&D)"), this);
    place(addButton_, {69, 129, 62, 17});
    place(deleteButton_, {4, 129, 62, 17});
    for (SkinButton* button : {deleteButton_, addButton_}) {
        button->gradientFace = true;
        button->SetStyle(SkinButton::kFlat);
    }

    list_ = new QTableView(this);
    list_->setModel(&entries_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setSortingEnabled(false);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setSectionsClickable(false);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->setColumnWidth(kNameColumn, kNameColumnWidth);
    list_->setColumnWidth(kNumberColumn, kNumberColumnWidth);
    // The selection stays visible while another control has the focus.
    QPalette palette = list_->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    list_->setPalette(palette);
    place(list_, {138, 7, 134, 143});

    connect(addButton_, &QPushButton::clicked, this, &PhonebookPage::AddEntry);
    connect(deleteButton_, &QPushButton::clicked, this, &PhonebookPage::DeleteEntry);
    connect(list_, &QAbstractItemView::clicked, this, &PhonebookPage::SelectEntry);
    // Enter in a field adds, as the default button of the page.
    connect(nameField_, &QLineEdit::returnPressed, this, &PhonebookPage::AddEntry);
    connect(numberField_, &QLineEdit::returnPressed, this, &PhonebookPage::AddEntry);
}

void PhonebookPage::AddEntry() {
    entries_.insertRow(
        0, {new QStandardItem(nameField_->text()), new QStandardItem(numberField_->text())});
    emit entriesChanged();
}

void PhonebookPage::DeleteEntry() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    entries_.removeRow(selected.first().row());
    emit entriesChanged();
}

void PhonebookPage::SelectEntry() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const int row = selected.first().row();
    nameField_->setText(entries_.index(row, kNameColumn).data().toString());
    numberField_->setText(entries_.index(row, kNumberColumn).data().toString());
}

}  // namespace veltro
