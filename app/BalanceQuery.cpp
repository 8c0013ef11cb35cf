#include "app/BalanceQuery.h"

#include <QCoreApplication>

#include "app/BalanceDialog.h"
#include "app/MainDialog.h"
#include "app/Profile.h"
#include "app/SingleInstance.h"
#include "modem/ModemEngine.h"
#include "pages/ModemJob.h"

namespace veltro {

BalanceQuery::BalanceQuery(MainDialog& window) : QObject(&window), window_(window) {}

void BalanceQuery::Start() {
    if (dialog_ == nullptr) {
        dialog_ = new BalanceDialog(&window_);
        connect(dialog_, &BalanceDialog::replyRequested, this,
                [this](const QString& reply) { Send(reply.toStdString()); });
        connect(dialog_, &QDialog::finished, this, [this] {
            if (stop_) {
                *stop_ = true;
            }
            // The network keeps a menu open for a reply: end it.
            if (dialog_->MenuOpen() && !busy_) {
                window_.Session().Submit(ModemSession::Priority::Background,
                                         [](ModemEngine& engine) { engine.CancelUssd(); });
            }
        });
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    if (!busy_) {
        Send(Profile::ReadBalanceCode(Profile::PathFor(SingleInstance::ApplicationName()))
                 .toStdString());
    }
}

void BalanceQuery::Send(const std::string& text) {
    busy_ = true;
    dialog_->ShowWaiting();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    ModemSession& session = window_.Session();
    auto stop = stop_;
    RunModemJob<ModemEngine::UssdResult>(
        session, ModemSession::Priority::User, this,
        [text, stop, &session](ModemEngine& engine) {
            return engine.RunUssd(text, ModemEngine::kUssdLimitMs,
                                  [stop, &session] { return *stop || session.Interrupting(); });
        },
        [this, text](std::optional<ModemEngine::UssdResult> result) {
            busy_ = false;
            using Kind = ModemEngine::UssdResult::Kind;
            if (!result) {
                dialog_->ShowFailure(
                    QCoreApplication::translate("BalanceDialog", BalanceDialog::kNoCardText));
            } else if (result->kind == Kind::Answered) {
                dialog_->ShowAnswer(QString::fromStdString(result->answer.text),
                                    result->answer.MoreFollows());
            } else if (result->kind == Kind::TimedOut) {
                dialog_->ShowFailure(
                    QCoreApplication::translate("BalanceDialog", BalanceDialog::kNoAnswerText));
            } else {
                dialog_->ShowFailure(
                    QCoreApplication::translate("BalanceDialog", BalanceDialog::kRefusedText)
                        .arg(QString::fromStdString(text)));
            }
        });
}

}  // namespace veltro
