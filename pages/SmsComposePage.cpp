#include "pages/SmsComposePage.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>
#include <thread>

#include "modem/ModemEngine.h"
#include "modem/SmsPduBuilder.h"
#include "pages/DialogUnits.h"

namespace veltro {

namespace {

// Template rectangles, in dialog units.
constexpr QRect kStatusRect{19, 11, 126, 12};
constexpr QRect kRecipientRect{19, 27, 125, 121};
constexpr QRect kMessageRect{19, 43, 125, 89};
constexpr QRect kSendRect{163, 29, 77, 35};
// The part counter sits under the message box.
constexpr QRect kCounterRect{19, 134, 125, 10};
// Pending events handled before a send blocks, so the status text is painted.
constexpr int kEventsBeforeSend = 10;

// Runs work on a helper thread while this thread keeps painting and running its
// timers; user input waits until it is done.
template <typename Work>
void RunBesideEvents(Work work) {
    QEventLoop wait;
    std::thread helper([&] {
        work();
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    helper.join();
}

}  // namespace

SmsComposePage::SmsComposePage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(264, 157)) {
    const DialogUnits units;
    statusLine_ = new QLabel(this);
    statusLine_->setGeometry(units.ToPixels(kStatusRect));

    recipient_ = new RecipientBox(this);
    // The box is one line high; the rest of the template height is its list.
    const QRect box = units.ToPixels(kRecipientRect);
    recipient_->setGeometry(box.x(), box.y(), box.width(), units.Y(12));
    recipient_->setMaxVisibleItems(std::max(1, box.height() / units.Y(10)));
    recipient_->OnDropDown([this] { FillRecipients(); });

    messageBox_ = new QPlainTextEdit(this);
    messageBox_->setObjectName(QStringLiteral("messageBox"));
    messageBox_->setGeometry(units.ToPixels(kMessageRect));

    partCounter_ = new QLabel(this);
    partCounter_->setGeometry(units.ToPixels(kCounterRect));

    sendButton_ = new SkinButton(QString::fromUtf8("发送(&S)"), this);
    sendButton_->gradientFace = true;
    sendButton_->SetStyle(SkinButton::kFlat);
    sendButton_->setGeometry(units.ToPixels(kSendRect));

    // Both fields are empty here: the page is made before any reply or forward.
    recipient_->setEditText(reply_);
    messageBox_->setPlainText(forward_);
    UpdatePartCounter();

    connect(messageBox_, &QPlainTextEdit::textChanged, this, &SmsComposePage::UpdatePartCounter);
    connect(sendButton_, &QPushButton::clicked, this, &SmsComposePage::Send);
}

void SmsComposePage::SetReply(const QString& number) {
    reply_ = number;
    recipient_->setEditText(number);
}

void SmsComposePage::SetForward(const QString& text) {
    forward_ = text;
    messageBox_->setPlainText(text);
}

void SmsComposePage::FillRecipients() {
    const QString typed = recipient_->currentText();
    QStringList entries;
    QStandardItemModel& phonebook = Host().PhonebookEntries();
    for (int row = 0; row < phonebook.rowCount(); ++row) {
        entries << phonebook.index(row, 0).data().toString() + QLatin1Char('(') +
                       phonebook.index(row, 1).data().toString() + QLatin1Char(')');
    }
    // The box keeps its list sorted.
    std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    recipient_->clear();
    recipient_->addItems(entries);
    recipient_->setEditText(typed);
}

QString SmsComposePage::NumberOf(const QString& recipient) {
    const qsizetype open = recipient.indexOf(QLatin1Char('('));
    const qsizetype close = recipient.indexOf(QLatin1Char(')'));
    if (open >= 0 && close - open > 0) {
        return recipient.mid(open + 1, close - open - 1);
    }
    return recipient;
}

QString SmsComposePage::PartCountText(const QString& text) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    return QString::fromUtf8("%1 字，%2 条短信")
        .arg(text.size())
        .arg(SmsPduBuilder::PartCount(units));
}

void SmsComposePage::UpdatePartCounter() {
    partCounter_->setText(PartCountText(messageBox_->toPlainText()));
}

void SmsComposePage::Send() {
    sendButton_->setEnabled(false);
    statusLine_->setText(QString::fromUtf8(kSendingText));
    const QString number = NumberOf(recipient_->currentText());
    const std::string text = messageBox_->toPlainText().toStdString();
    for (int i = 0; i < kEventsBeforeSend; ++i) {
        QCoreApplication::processEvents();
    }

    bool sent = false;
    ModemEngine* engine = Host().Engine();
    if (engine != nullptr) {
        // A poll cycle of the inbox holds the modem for its whole run: wait for it
        // with the window running.
        ModemClaim claim(engine->Gate(), ModemGate::Wait::Pumping);
        if (claim) {
            engine->ClearResponse();
            RunBesideEvents([&] { sent = engine->SendShortMessage(text, number.toStdString()); });
            statusLine_->setText(QString::fromUtf8(sent ? kSentText : kFailedText));
            RunBesideEvents([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(kSettleAfterSendMs));
            });
            engine->ClearResponse();
        }
    }
    if (!sent) {
        statusLine_->setText(QString::fromUtf8(kFailedText));
    }
    sendButton_->setEnabled(true);
    emit sendFinished(sent);
}

}  // namespace veltro
