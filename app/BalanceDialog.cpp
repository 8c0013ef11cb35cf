#include "app/BalanceDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>

#include "modem/ModemEngine.h"
#include "pages/DialogUnits.h"
#include "ui/SkinButton.h"

namespace veltro {

BalanceDialog::BalanceDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("BalanceDialog", kCaption));
    setFont(DialogUnits::DialogFont());
    setAutoFillBackground(true);
    const DialogUnits units;
    setFixedSize(units.ToPixels(QSize(200, 132)));

    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setGeometry(units.ToPixels(QRect(10, 6, 180, 10)));
    answer_ = new QPlainTextEdit(this);
    // The network's words are shown as they are: plain text, never markup.
    answer_->setReadOnly(true);
    answer_->setGeometry(units.ToPixels(QRect(10, 18, 180, 70)));

    reply_ = new QLineEdit(this);
    reply_->setGeometry(units.ToPixels(QRect(10, 94, 124, 12)));
    reply_->setMaxLength(int(ModemEngine::kMaxUssdChars));
    // What the engine may put into a USSD string: printable ASCII without quotes.
    reply_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x21\\x23-\\x7e]*")), reply_));
    replyButton_ = new SkinButton(QCoreApplication::translate("BalanceDialog", kReplyText), this);
    replyButton_->setGeometry(units.ToPixels(QRect(140, 93, 50, 14)));
    auto* close = new SkinButton(QCoreApplication::translate("BalanceDialog", kCloseText), this);
    close->setGeometry(units.ToPixels(QRect(75, 112, 50, 14)));

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto send = [this] {
        if (menuOpen_ && !reply_->text().isEmpty()) {
            const QString text = reply_->text();
            reply_->clear();
            emit replyRequested(text);
        }
    };
    connect(replyButton_, &QPushButton::clicked, this, send);
    connect(reply_, &QLineEdit::returnPressed, this, send);
    SetMenuOpen(false);
}

void BalanceDialog::ShowWaiting() {
    status_->setText(QCoreApplication::translate("BalanceDialog", kWaitingText));
    SetMenuOpen(false);
}

void BalanceDialog::ShowAnswer(const QString& text, bool moreFollows) {
    answer_->setPlainText(text);
    status_->setText(moreFollows ? QCoreApplication::translate("BalanceDialog", kMenuText)
                                 : QString());
    SetMenuOpen(moreFollows);
}

void BalanceDialog::ShowFailure(const QString& text) {
    status_->setText(text);
    SetMenuOpen(false);
}

QString BalanceDialog::AnswerText() const {
    return answer_->toPlainText();
}

void BalanceDialog::SetMenuOpen(bool open) {
    menuOpen_ = open;
    reply_->setEnabled(open);
    replyButton_->setEnabled(open);
    if (open) {
        reply_->setFocus();
    }
}

}  // namespace veltro
