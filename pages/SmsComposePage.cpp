#include "pages/SmsComposePage.h"

#include <QCoreApplication>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <optional>

#include "modem/ModemEngine.h"
#include "modem/PhoneNumber.h"
#include "modem/SmsPduBuilder.h"
#include "pages/DialogUnits.h"
#include "pages/ModemJob.h"

namespace veltro {

namespace {

// Template rectangles, in dialog units.
constexpr QRect kStatusRect{19, 11, 126, 12};
constexpr QRect kRecipientRect{19, 27, 125, 121};
constexpr QRect kMessageRect{19, 43, 125, 89};
constexpr QRect kSendRect{163, 29, 77, 35};
// The part counter sits under the message box.
constexpr QRect kCounterRect{19, 134, 125, 10};
}  // namespace

SmsComposePage::SmsComposePage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(264, 157)) {
    const DialogUnits units;
    statusLine_ = new QLabel(this);
    statusLine_->setTextFormat(Qt::PlainText);
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

    sendButton_ = new SkinButton(QCoreApplication::translate("SmsComposePage", "发送(&S)"), this);
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
    // "(010) 8888 6666" is a number written with brackets, not a name and its number.
    const QString before = recipient.left(std::max<qsizetype>(open, 0));
    const bool named = std::any_of(before.begin(), before.end(), [](QChar c) {
        return !c.isDigit() && !QStringLiteral("+ -.").contains(c);
    });
    if (open >= 0 && close - open > 0 && named) {
        return recipient.mid(open + 1, close - open - 1);
    }
    return recipient;
}

QString SmsComposePage::FailureText(std::size_t parts, std::size_t confirmed) {
    if (parts <= 1) {
        return QCoreApplication::translate("SmsComposePage", kFailedText);
    }
    return QCoreApplication::translate("SmsComposePage", "%1：%2 条中已发出 %3 条")
        .arg(QCoreApplication::translate("SmsComposePage", kFailedText))
        .arg(parts)
        .arg(confirmed);
}

QString SmsComposePage::PartCountText(const QString& text) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    return QCoreApplication::translate("SmsComposePage", "%1 字，%2 条短信")
        .arg(text.size())
        .arg(SmsPduBuilder::PartCount(units));
}

void SmsComposePage::UpdatePartCounter() {
    partCounter_->setText(PartCountText(messageBox_->toPlainText()));
}

void SmsComposePage::Send() {
    const std::string number =
        PhoneNumber::Clean(NumberOf(recipient_->currentText()).toStdString());
    if (const std::optional<std::string> refused = PhoneNumber::RefusedForSend(number)) {
        // Said before anything is sent: the character would change the command or
        // cannot be put into the message's address.
        statusLine_->setText(
            QCoreApplication::translate("SmsComposePage",
                                        "%1：号码不能含有“%2”（只能是数字，前面可有一个“+”）")
                .arg(QCoreApplication::translate("SmsComposePage", kFailedText),
                     QString::fromStdString(*refused)));
        emit sendFinished(false);
        return;
    }
    sendButton_->setEnabled(false);
    statusLine_->setText(QCoreApplication::translate("SmsComposePage", kSendingText));
    const QString plain = messageBox_->toPlainText();
    const std::string text = plain.toStdString();
    const std::size_t parts = SmsPduBuilder::PartCount(std::u16string_view(
        reinterpret_cast<const char16_t*>(plain.utf16()), static_cast<std::size_t>(plain.size())));
    const auto confirmed = std::make_shared<std::size_t>(0);
    // The whole send, all its parts and the mode switches around a text-mode send, is
    // one job; the settle after it too, so the next dialogue starts on a quiet line.
    RunModemJob<bool>(
        Host().Session(), ModemSession::Priority::User, this,
        [this, text, number, parts, confirmed](ModemEngine& engine) {
            engine.ClearResponse();
            const bool sent = engine.SendShortMessage(text, number);
            *confirmed = engine.PartsConfirmed();
            const QString status = sent ? QCoreApplication::translate("SmsComposePage", kSentText)
                                        : FailureText(parts, *confirmed);
            QMetaObject::invokeMethod(
                this, [this, status] { statusLine_->setText(status); }, Qt::QueuedConnection);
            engine.GetClock().SleepMs(kSettleAfterSendMs);
            engine.ClearResponse();
            return sent;
        },
        [this, parts, confirmed](std::optional<bool> sent) {
            if (!sent.value_or(false)) {
                statusLine_->setText(FailureText(parts, *confirmed));
            }
            sendButton_->setEnabled(true);
            emit sendFinished(sent.value_or(false));
        });
}

}  // namespace veltro
