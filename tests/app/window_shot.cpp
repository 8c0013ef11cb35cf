// Starts the window on the virtual data card, waits for the end of the device start-up
// and saves what the screen shows of the window as a PNG. Run under Xvfb by
// scripts/window-shot.sh; the pictures are the README's docs/window.png, and with a view
// named, docs/call.png (a call ringing in), docs/phonebook.png (a few contacts) and
// docs/traffic.png (connected, the link carrying data for a few seconds), docs/menu.png
// (the SMS menu open, with its flat frame and soft shadow over a plain desktop),
// docs/unplugged.png (the card pulled out while the window is idle) and docs/call-cut.png
// (the card pulled out during a call), docs/pin.png (the PIN dialog of a locked SIM) and
// docs/balance.png (the answer to the balance code).
#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>

#include "app/Application.h"
#include "app/BalanceDialog.h"
#include "app/BalanceQuery.h"
#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/PinDialog.h"
#include "app/Profile.h"
#include "app/SimUnlock.h"
#include "app/Translation.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/DemoCard.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: %s OUTPUT.png "
                     "[call|call-cut|phonebook|traffic|menu|unplugged|pin|balance]\n",
                     argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    veltro::vcard::DemoCard demo;
    if (!demo.Start()) {
        std::fprintf(stderr, "the virtual card did not start\n");
        return 1;
    }
    veltro::Application::ApplyMenuLook(veltro::Profile::PathFor(QStringLiteral("veltrogprs")));
    veltro::Translation::Install();
    veltro::DialogColours::Apply();
    // A plain desktop behind the window, so that a menu's shadow has something to darken
    // both over the skin and beside it.
    QWidget desktop(nullptr, Qt::FramelessWindowHint);
    desktop.setGeometry(0, 0, 640, 480);
    desktop.setStyleSheet(QStringLiteral("background: rgb(58, 110, 165);"));
    desktop.show();
    veltro::Clock& clock = veltro::SystemClock::Instance();
    veltro::MainDialog dialog(clock, veltro::SerialPort::Factory(clock));
    int result = 1;
    const char* view = argc > 2 ? argv[2] : "";
    // What to do once the window is up, and how long the window then needs to show it.
    std::function<void()> stage = [] {};
    int settleMs = 500;
    // Room beside and below the window for a menu and its shadow.
    QSize margin(0, 0);
    // The window shot, and the start-up's outcome it waits for.
    std::function<QWidget*()> shown = [&dialog]() -> QWidget* { return &dialog; };
    int expected = 0;
    if (std::strcmp(view, "pin") == 0) {
        demo.Card()->SetSim(veltro::vcard::SimState::PinLocked);
        shown = [&dialog]() -> QWidget* { return dialog.Unlock().OpenDialog(); };
        expected = 4;
    } else if (std::strcmp(view, "balance") == 0) {
        stage = [&dialog] { dialog.Balance().Start(); };
        shown = [&dialog]() -> QWidget* { return dialog.Balance().Dialog(); };
        settleMs = 2500;
    }
    if (std::strcmp(view, "call") == 0) {
        stage = [&demo] { demo.Card()->IncomingCall("13800138000"); };
        settleMs = 2500;
    } else if (std::strcmp(view, "phonebook") == 0) {
        stage = [&dialog] {
            veltro::PhonebookPage& page = dialog.Phonebook();
            const char* contacts[][2] = {
                {"王小明", "13912345678"}, {"李四", "10010"}, {"张三丰", "+8613800138000"}};
            for (const auto& contact : contacts) {
                page.NameField().setText(QString::fromUtf8(contact[0]));
                page.NumberField().setText(QString::fromUtf8(contact[1]));
                page.AddEntry();
            }
            page.List().selectRow(1);
            page.SelectEntry();
            dialog.ShowPage(veltro::MainDialog::kPhonebookView);
        };
    } else if (std::strcmp(view, "traffic") == 0) {
        // Connected, the window hides into the tray: bring it back to look at it.
        stage = [&dialog] {
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.ToggleConnection(); });
            QTimer::singleShot(5500, &dialog, [&dialog] {
                dialog.Activate();
                dialog.move(40, 40);
            });
        };
        settleMs = 6500;
    } else if (std::strcmp(view, "unplugged") == 0) {
        // The call poll and the window's next look notice it within 3 s.
        stage = [&demo] { demo.Card()->Unplug(); };
        settleMs = 4500;
    } else if (std::strcmp(view, "call-cut") == 0) {
        // A call rings in, is answered, and the card is pulled out during it.
        stage = [&demo, &dialog] {
            demo.Card()->IncomingCall("13800138000");
            QTimer::singleShot(2500, &dialog, [&dialog] { dialog.Call().CallButton().click(); });
            QTimer::singleShot(5000, &dialog, [&demo] { demo.Card()->Unplug(); });
        };
        settleMs = 9000;
    } else if (std::strcmp(view, "menu") == 0) {
        stage = [&dialog] { dialog.SmsButton().click(); };
        margin = QSize(40, 50);
    }
    QObject::connect(&dialog, &veltro::MainDialog::startupFinished, &dialog, [&](int outcome) {
        stage();
        QTimer::singleShot(settleMs, &dialog, [&, outcome] {
            QWidget* widget = shown();
            if (widget == nullptr) {
                QApplication::exit(0);
                return;
            }
            const QRect frame = widget->frameGeometry();
            const QPixmap shot =
                dialog.screen()->grabWindow(0, frame.x(), frame.y(), frame.width() + margin.width(),
                                            frame.height() + margin.height());
            result = outcome == expected && shot.save(output) ? 0 : 1;
            QApplication::exit(0);
        });
    });
    dialog.Initialise(nullptr);
    dialog.move(40, 40);
    dialog.show();
    QApplication::exec();
    return result;
}
