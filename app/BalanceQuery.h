#pragma once

#include <QObject>

#include <atomic>
#include <memory>
#include <string>

namespace veltro {

class BalanceDialog;
class MainDialog;

// "查询余额": sends the profile's balance code as a USSD request, a user job of the
// modem session, and shows the network's answer in a BalanceDialog; a reply to a menu
// goes the same way. A menu the user closes is ended on the card ("AT+CUSD=2"), and a
// wait in progress stops with the dialog.
class BalanceQuery : public QObject {
    Q_OBJECT

public:
    explicit BalanceQuery(MainDialog& window);

    // Opens the dialog (or brings it forward) and sends the code, unless a request is
    // on its way.
    void Start();
    // The dialog, once Start has made it.
    BalanceDialog* Dialog() const { return dialog_; }
    // True while a request waits for the network.
    bool Busy() const { return busy_; }

private:
    void Send(const std::string& text);

    MainDialog& window_;
    BalanceDialog* dialog_ = nullptr;
    std::shared_ptr<std::atomic<bool>> stop_;
    bool busy_ = false;
};

}  // namespace veltro
