#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "CardWindow.h"
#include "WindowSandbox.h"
#include "app/BalanceDialog.h"
#include "app/BalanceQuery.h"
#include "app/DeviceStartup.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/PinDialog.h"
#include "app/SignalToolTip.h"
#include "app/SimUnlock.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "ui/SkinButton.h"
#include "vcard/VirtualCard.h"

namespace veltro {

// The window on a virtual card whose SIM is locked and whose network answers *100#:
// the PIN dialog, a wrong PIN and the right one, the start-up going on, the balance;
// and a start on another maker's card.
class SimBalanceWindowTest : public QObject {
    Q_OBJECT

private:
    static QString Text(const char* text) { return QString::fromUtf8(text); }

    // Answers each PIN dialog the window opens with the next of pins.
    static void AnswerPinDialogs(MainDialog& dialog, QStringList pins, QStringList* seen) {
        auto* timer = new QTimer(&dialog);
        QObject::connect(timer, &QTimer::timeout, &dialog, [&dialog, pins, seen, timer]() mutable {
            PinDialog* open = dialog.Unlock().OpenDialog();
            if (open == nullptr || pins.isEmpty()) {
                return;
            }
            seen->append(open->TriesLine().text() + '|' + open->NoticeLine().text());
            open->PinEdit().setText(pins.takeFirst());
            open->OkButton().click();
            if (pins.isEmpty()) {
                timer->stop();
            }
        });
        timer->start(50);
    }

private slots:
    void initTestCase() { DialogColours::Apply(); }

    void LockedSimIsUnlockedAndTheBalanceShown() {
        test::WindowSandbox dir;
        vcard::CardOptions options;
        options.sim = vcard::SimState::PinLocked;
        options.ussd = {{"*100#", "您的余额为12.50元", vcard::UssdReply::Coding::Ucs2, false}};
        auto card = test::StartCard(dir, options);
        QVERIFY(card);
        Clock& clock = SystemClock::Instance();
        MainDialog dialog(clock, SerialPort::Factory(clock));
        QStringList seen;
        AnswerPinDialogs(dialog, {QStringLiteral("1111"), QStringLiteral("1234")}, &seen);
        QSignalSpy finished(&dialog, &MainDialog::startupFinished);
        dialog.Initialise(nullptr);
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 2, test::kStartupLimitMs);
        QCOMPARE(finished.at(0).at(0).toInt(), int(DeviceStartup::kSimLocked));
        QCOMPARE(finished.at(1).at(0).toInt(), int(DeviceStartup::kSuccess));
        QCOMPARE(seen, QStringList({Text(PinDialog::kTriesLeftText).arg(3) + '|',
                                    Text(PinDialog::kTriesLeftText).arg(2) + '|' +
                                        Text(PinDialog::kWrongPinText)}));
        QCOMPARE(dialog.StatusLine().text(), Text(DeviceStartup::kWelcomeText));
        QVERIFY(dialog.ConnectButton().isEnabled());

        dialog.Balance().Start();
        QVERIFY(dialog.Balance().Dialog() != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(dialog.Balance().Dialog()->AnswerText(),
                                  Text("您的余额为12.50元"), 20000);
        QVERIFY(!dialog.Balance().Dialog()->MenuOpen());
    }

    void ACardOfAnotherMakerStartsOnStandardCommands() {
        test::WindowSandbox dir;
        vcard::CardOptions options;
        options.generic = true;
        options.manufacturer = "Standard GSM Modem";
        auto card = std::make_unique<vcard::VirtualCard>(options);
        QVERIFY(card->Start());
        dir.WriteTable({{DialupConnection::kModemDeviceName, card->PortName()}});
        Clock& clock = SystemClock::Instance();
        MainDialog dialog(clock, SerialPort::Factory(clock));
        QCOMPARE(test::RunStartup(dialog), int(DeviceStartup::kSuccess));
        QCOMPARE(dialog.toolTip(), Text(DeviceStartup::kOtherMakerText).arg("Standard GSM Modem"));
        dialog.RefreshSignalIcon();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.SignalReading(), 10000);
        QCOMPARE(dialog.SignalIcon().toolTip(), SignalToolTip::For(20));
    }

    void SignalToolTips() {
        QCOMPARE(SignalToolTip::For(20), Text("信号强度：-73 dBm（4/5格）"));
        QCOMPARE(SignalToolTip::For(0), Text("信号强度：-113 dBm（0/5格）"));
        QCOMPARE(SignalToolTip::For(31), Text("信号强度：-51 dBm（5/5格）"));
        QCOMPARE(SignalToolTip::For(99), Text("信号强度：未知"));
    }
};

}  // namespace veltro

QTEST_MAIN(veltro::SimBalanceWindowTest)
#include "test_sim_balance_window.moc"
