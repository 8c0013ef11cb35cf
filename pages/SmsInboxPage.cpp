#include "pages/SmsInboxPage.h"

#include <QCoreApplication>
#include <QHeaderView>

#include "pages/DialogUnits.h"
#include "pages/SmsComposePage.h"

namespace veltro {

namespace {

// Template rectangles, in dialog units.
constexpr QRect kListRect{0, 3, 133, 151};
constexpr QRect kViewerRect{138, 3, 133, 117};
constexpr QRect kReplyRect{170, 131, 32, 19};
constexpr QRect kForwardRect{204, 131, 32, 19};
constexpr QRect kDeleteRect{238, 131, 32, 19};
constexpr int kTimeWidth = 80;
constexpr int kNumberWidth = 90;

}  // namespace

SmsInboxPage::SmsInboxPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(319, 175)), poller_(*this, host) {
    const DialogUnits units;
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("messageList"));
    list_->setModel(&messages_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    // Rows of one height: the list stays quick with any number of messages.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->horizontalHeader()->setSectionsClickable(false);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeader()->setMinimumSectionSize(0);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setColumnWidth(kTimeColumn, kTimeWidth);
    list_->setColumnWidth(kNumberColumn, kNumberWidth);
    // The text column is there with no width: the text is read in the viewer.
    list_->setColumnWidth(kContentColumn, 0);
    list_->horizontalHeader()->setStretchLastSection(false);
    list_->setGeometry(units.ToPixels(kListRect));

    viewer_ = new QPlainTextEdit(this);
    viewer_->setObjectName(QStringLiteral("viewer"));
    viewer_->setReadOnly(true);
    viewer_->setGeometry(units.ToPixels(kViewerRect));

    auto button = [this, &units](const char* text, QRect rect) {
        auto* b = new SkinButton(QCoreApplication::translate("SmsInboxPage", text), this);
        b->gradientFace = true;
        b->SetStyle(SkinButton::kFlat);
        b->setGeometry(units.ToPixels(rect));
        return b;
    };
    replyButton_ = button(QT_TRANSLATE_NOOP("SmsInboxPage", "回复"), kReplyRect);
    forwardButton_ = button(QT_TRANSLATE_NOOP("SmsInboxPage", "转发"), kForwardRect);
    deleteButton_ = button(QT_TRANSLATE_NOOP("SmsInboxPage", "删除"), kDeleteRect);

    connect(list_, &QTableView::clicked, this, &SmsInboxPage::ShowSelectedMessage);
    connect(replyButton_, &QPushButton::clicked, this, &SmsInboxPage::Reply);
    connect(forwardButton_, &QPushButton::clicked, this, &SmsInboxPage::Forward);
    connect(deleteButton_, &QPushButton::clicked, this, &SmsInboxPage::DeleteSelected);
    connect(&Timer1(), &QTimer::timeout, this, &SmsInboxPage::StartCycle);
}

void SmsInboxPage::StopTimer1() {
    DialogPage::StopTimer1();
    poller_.Cancel();
}

void SmsInboxPage::AddMessage(InboxModel::Entry entry) {
    messages_.InsertAtTop(std::move(entry));
}

void SmsInboxPage::ShowSelectedMessage() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    viewer_->setPlainText(messages_.Text(selected.first().row(), kContentColumn));
}

void SmsInboxPage::Reply() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        Host().Compose().SetReply(messages_.Text(selected.first().row(), kNumberColumn));
    }
    Host().ShowPage(PageHost::kComposeView);
}

void SmsInboxPage::Forward() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        Host().Compose().SetForward(messages_.Text(selected.first().row(), kContentColumn));
    }
    Host().ShowPage(PageHost::kComposeView);
}

void SmsInboxPage::DeleteSelected() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        messages_.RemoveRow(selected.first().row());
    }
}

}  // namespace veltro
