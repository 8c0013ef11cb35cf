#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QtGlobal>

#include <cstddef>

#include "pages/DialogPage.h"
#include "pages/RecipientBox.h"
#include "ui/SkinButton.h"

namespace veltro {

// The page of template 135: writing and sending a short message. The recipient is
// typed or picked from the phonebook ("name(number)"); a count under the text shows
// how many messages it will take.
class SmsComposePage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 135;
    enum ControlId {
        kStatusLine = 1030,
        kRecipientBox = 1034,
        kMessageBox = 1028,
        kSendButton = 1006,
    };
    static constexpr const char* kSendingText =
        QT_TRANSLATE_NOOP("SmsComposePage", "正在发送短信，请稍候...");
    static constexpr const char* kSentText = QT_TRANSLATE_NOOP("SmsComposePage", "已成功发送短信");
    static constexpr const char* kFailedText = QT_TRANSLATE_NOOP("SmsComposePage", "发送短信失败");
    static constexpr int kSettleAfterSendMs = 500;

    SmsComposePage(PageHost& host, QWidget* parent);

    QLabel& StatusLine() { return *statusLine_; }
    RecipientBox& Recipient() { return *recipient_; }
    QPlainTextEdit& MessageBox() { return *messageBox_; }
    SkinButton& SendButton() { return *sendButton_; }
    QLabel& PartCounter() { return *partCounter_; }

    // The inbox page's reply: the number goes to the recipient box.
    void SetReply(const QString& number);
    // The inbox page's forward: the text goes to the message box.
    void SetForward(const QString& text);
    const QString& ReplyField() const { return reply_; }
    const QString& ForwardField() const { return forward_; }

    // Rebuilds the recipient list from the phonebook, one "name(number)" per contact,
    // sorted; the text in the box stays.
    void FillRecipients();
    // Sends the message box's text to the recipient, as a user job of the modem
    // session: it goes ahead of the inbox cycle's next step. sendFinished tells the end.
    void Send();
    // The number in a recipient text: what stands between the first "(" and the first
    // ")" after it when a name stands before the "(", else the whole text (a number
    // written "(010) 8888 6666"). The send takes the blanks, dashes, dots and brackets
    // out of it.
    static QString NumberOf(const QString& recipient);
    // The status after a failed send: for a long text, how many of its parts went out.
    static QString FailureText(std::size_t parts, std::size_t confirmed);
    // "N 字，M 条短信" for a text.
    static QString PartCountText(const QString& text);

signals:
    // A send has ended (the status line shows how).
    void sendFinished(bool sent);

private:
    void UpdatePartCounter();

    QString forward_;
    QString reply_;
    SkinButton* sendButton_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPlainTextEdit* messageBox_ = nullptr;
    RecipientBox* recipient_ = nullptr;
    QLabel* partCounter_ = nullptr;
};

}  // namespace veltro
