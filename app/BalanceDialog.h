#pragma once

#include <QDialog>
#include <QString>
#include <QtGlobal>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace veltro {

class SkinButton;

// Shows the network's answer to the balance code in the look of the program's dialogs,
// as plain text; while the network waits for a reply (a menu), a reply field. It only
// shows and asks: BalanceQuery talks to the card.
class BalanceDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kCaption = QT_TRANSLATE_NOOP("BalanceDialog", "查询余额");
    static constexpr const char* kWaitingText =
        QT_TRANSLATE_NOOP("BalanceDialog", "正在查询余额，请稍候...");
    static constexpr const char* kMenuText =
        QT_TRANSLATE_NOOP("BalanceDialog", "请输入回复后点击“回复”：");
    static constexpr const char* kNoAnswerText =
        QT_TRANSLATE_NOOP("BalanceDialog", "网络没有应答，请稍后再试。");
    // %1: the code that was sent.
    static constexpr const char* kRefusedText =
        QT_TRANSLATE_NOOP("BalanceDialog", "网络或数据卡不支持此查询（%1）。");
    static constexpr const char* kNoCardText =
        QT_TRANSLATE_NOOP("BalanceDialog", "数据卡尚未就绪，无法查询余额。");
    static constexpr const char* kReplyText = QT_TRANSLATE_NOOP("BalanceDialog", "回复");
    static constexpr const char* kCloseText = QT_TRANSLATE_NOOP("BalanceDialog", "关闭");

    explicit BalanceDialog(QWidget* parent);

    // Waiting for the network: the reply field is shut.
    void ShowWaiting();
    // The answer; moreFollows opens the reply field.
    void ShowAnswer(const QString& text, bool moreFollows);
    // A failure in place of the answer.
    void ShowFailure(const QString& text);

    QString AnswerText() const;
    QLabel& StatusLine() { return *status_; }
    QLineEdit& ReplyField() { return *reply_; }
    SkinButton& ReplyButton() { return *replyButton_; }
    bool MenuOpen() const { return menuOpen_; }

signals:
    void replyRequested(const QString& reply);

private:
    void SetMenuOpen(bool open);

    QLabel* status_ = nullptr;
    QPlainTextEdit* answer_ = nullptr;
    QLineEdit* reply_ = nullptr;
    SkinButton* replyButton_ = nullptr;
    bool menuOpen_ = false;
};

}  // namespace veltro
