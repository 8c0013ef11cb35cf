#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <QtGlobal>

#include "modem/SimLock.h"

class QLabel;

namespace veltro {

class SkinButton;

// Asks for the SIM's PIN, or for its PUK and a new PIN, in the look of the program's
// dialogs. Only digits can be typed; OK is offered once the codes have their lengths
// (and the new PIN is typed the same twice). The codes live only in the dialog's
// fields, shown as dots, and go with it.
class PinDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kPinCaption = QT_TRANSLATE_NOOP("PinDialog", "SIM卡PIN码");
    static constexpr const char* kPukCaption = QT_TRANSLATE_NOOP("PinDialog", "SIM卡PUK码");
    static constexpr const char* kPinPrompt =
        QT_TRANSLATE_NOOP("PinDialog", "SIM卡已锁定，请输入PIN码（4-8位数字）：");
    static constexpr const char* kPukPrompt =
        QT_TRANSLATE_NOOP("PinDialog", "SIM卡已被锁定，请输入PUK码（8位数字）并设置新的PIN码：");
    // %1: the tries the card says are left.
    static constexpr const char* kTriesLeftText =
        QT_TRANSLATE_NOOP("PinDialog", "剩余尝试次数：%1");
    // %1: the wrong codes typed since the program started, when the card does not say.
    static constexpr const char* kWrongSoFarText =
        QT_TRANSLATE_NOOP("PinDialog", "本次已输错 %1 次");
    static constexpr const char* kLastTryText = QT_TRANSLATE_NOOP(
        "PinDialog", "注意：这是最后一次机会，再输错一次SIM卡将被锁定，需用PUK码解锁。");
    static constexpr const char* kWrongPinText =
        QT_TRANSLATE_NOOP("PinDialog", "PIN码错误，请重新输入。");
    static constexpr const char* kWrongPukText =
        QT_TRANSLATE_NOOP("PinDialog", "PUK码错误，请重新输入。");
    static constexpr const char* kPinLabel = QT_TRANSLATE_NOOP("PinDialog", "PIN码：");
    static constexpr const char* kPukLabel = QT_TRANSLATE_NOOP("PinDialog", "PUK码：");
    static constexpr const char* kNewPinLabel = QT_TRANSLATE_NOOP("PinDialog", "新PIN码：");
    static constexpr const char* kConfirmPinLabel = QT_TRANSLATE_NOOP("PinDialog", "确认PIN码：");
    // The tries a SIM gives its PIN (3GPP TS 31.102), assumed where the card does not
    // report them.
    static constexpr int kUsualPinTries = 3;

    // puk: ask for the PUK and a new PIN. tries: what the card reports, -1 if nothing;
    // wrongSoFar: wrong codes typed in this run; notice: why it asks again, or empty.
    PinDialog(QWidget* parent, bool puk, int tries, int wrongSoFar, const QString& notice);

    bool AsksForPuk() const { return puk_; }
    QString Pin() const { return pin_->text(); }
    QString Puk() const { return puk_ ? pukEdit_->text() : QString(); }
    QLineEdit& PinEdit() { return *pin_; }
    QLineEdit* PukEdit() { return pukEdit_; }
    QLineEdit* ConfirmEdit() { return confirm_; }
    SkinButton& OkButton() { return *ok_; }
    // The line about the tries, and the warning before the last one.
    QLabel& TriesLine() { return *tries_; }
    QLabel& NoticeLine() { return *notice_; }

private:
    QLineEdit* CodeField(int top, int maxLength);
    void UpdateOk();

    bool puk_;
    QLineEdit* pin_ = nullptr;
    QLineEdit* pukEdit_ = nullptr;
    QLineEdit* confirm_ = nullptr;
    QLabel* tries_ = nullptr;
    QLabel* notice_ = nullptr;
    SkinButton* ok_ = nullptr;
};

}  // namespace veltro
