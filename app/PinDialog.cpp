#include "app/PinDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QRegularExpressionValidator>

#include "pages/DialogUnits.h"
#include "ui/SkinButton.h"

namespace veltro {

namespace {

constexpr int kWidth = 200;
constexpr int kFieldLeft = 56;
constexpr int kFieldTop = 58;
constexpr int kFieldStep = 16;

QLabel* PlainLabel(const QString& text, const QRect& units, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // Nothing here is rich text, whatever it holds.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setGeometry(DialogUnits().ToPixels(units));
    return label;
}

}  // namespace

PinDialog::PinDialog(QWidget* parent, bool puk, int tries, int wrongSoFar, const QString& notice)
    : QDialog(parent), puk_(puk) {
    setWindowTitle(QCoreApplication::translate("PinDialog", puk ? kPukCaption : kPinCaption));
    setFont(DialogUnits::DialogFont());
    setAutoFillBackground(true);
    const DialogUnits units;

    PlainLabel(QCoreApplication::translate("PinDialog", puk ? kPukPrompt : kPinPrompt),
               QRect(10, 8, kWidth - 20, 18), this);
    QString triesText;
    if (tries >= 0) {
        triesText = QCoreApplication::translate("PinDialog", kTriesLeftText).arg(tries);
    } else if (wrongSoFar > 0) {
        triesText = QCoreApplication::translate("PinDialog", kWrongSoFarText).arg(wrongSoFar);
    }
    tries_ = PlainLabel(triesText, QRect(10, 28, kWidth - 20, 8), this);
    // Before the last PIN try: the card says one is left, or, when it says nothing,
    // the usual tries are used up but one.
    const bool lastTry = !puk && (tries == 1 || (tries < 0 && wrongSoFar == kUsualPinTries - 1));
    QString noticeText = notice;
    if (lastTry) {
        noticeText += (noticeText.isEmpty() ? QString() : QStringLiteral("\n")) +
                      QCoreApplication::translate("PinDialog", kLastTryText);
    }
    notice_ = PlainLabel(noticeText, QRect(10, 38, kWidth - 20, 18), this);

    int top = kFieldTop;
    auto row = [&](const char* label, int maxLength) {
        PlainLabel(QCoreApplication::translate("PinDialog", label),
                   QRect(10, top + 2, kFieldLeft - 12, 8), this);
        QLineEdit* field = CodeField(top, maxLength);
        top += kFieldStep;
        return field;
    };
    if (puk) {
        pukEdit_ = row(kPukLabel, int(SimLock::kPukLength));
        pin_ = row(kNewPinLabel, int(SimLock::kMaxPin));
        confirm_ = row(kConfirmPinLabel, int(SimLock::kMaxPin));
    } else {
        pin_ = row(kPinLabel, int(SimLock::kMaxPin));
    }

    ok_ = new SkinButton(QCoreApplication::translate("PinDialog", "确定"), this);
    ok_->setGeometry(units.ToPixels(QRect(kWidth / 2 - 56, top + 4, 50, 14)));
    ok_->setDefault(true);
    auto* cancel = new SkinButton(QCoreApplication::translate("PinDialog", "取消"), this);
    cancel->setGeometry(units.ToPixels(QRect(kWidth / 2 + 6, top + 4, 50, 14)));
    setFixedSize(units.ToPixels(QSize(kWidth, top + 24)));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateOk();
    (pukEdit_ != nullptr ? pukEdit_ : pin_)->setFocus();
}

QLineEdit* PinDialog::CodeField(int top, int maxLength) {
    auto* field = new QLineEdit(this);
    field->setGeometry(DialogUnits().ToPixels(QRect(kFieldLeft, top, 80, 12)));
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(maxLength);
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxLength)), field));
    // A PIN is not text to keep: no completion, no input method, no context menu.
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    connect(field, &QLineEdit::textChanged, this, &PinDialog::UpdateOk);
    return field;
}

void PinDialog::UpdateOk() {
    bool ready = SimLock::ValidPin(pin_->text().toStdString());
    if (puk_) {
        ready = ready && SimLock::ValidPuk(pukEdit_->text().toStdString()) &&
                confirm_->text() == pin_->text();
    }
    ok_->setEnabled(ready);
}

}  // namespace veltro
