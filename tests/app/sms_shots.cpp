// Starts the window on the virtual data card with Chinese messages on the SIM, waits
// until the inbox has fetched them (a long one arrives in parts) and saves two PNGs:
// the inbox with a message open in the viewer, and the compose page with a long text
// and its part count. Run under Xvfb by scripts/sms-shots.sh.
#include <QApplication>
#include <QScreen>
#include <QStandardItemModel>
#include <QTimer>

#include <cstdio>

#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "app/Translation.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"
#include "vcard/DemoCard.h"

namespace {

bool Grab(veltro::MainDialog& dialog, const QString& path) {
    const QRect frame = dialog.frameGeometry();
    return dialog.screen()
        ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
        .save(path);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s INBOX.png COMPOSE.png\n", argv[0]);
        return 2;
    }
    const QString inboxShot = QString::fromLocal8Bit(argv[1]);
    const QString composeShot = QString::fromLocal8Bit(argv[2]);
    veltro::vcard::DemoCard demo;
    if (!demo.Start()) {
        std::fprintf(stderr, "the virtual card did not start\n");
        return 1;
    }
    demo.Card()->AddMessage("+8613912345678",
                            "周末的聚会改到星期六下午三点，地点还是学校门口的那家茶馆。"
                            "记得带上上次借的书，另外小王说他会晚一点到，因为他要先去火车站"
                            "接他妹妹。如果下雨的话我们就改在室内，到时候再通知大家。");
    demo.Card()->AddMessage("10086", "尊敬的客户，您本月话费余额为12.50元。");

    veltro::Translation::Install();
    veltro::DialogColours::Apply();
    veltro::Clock& clock = veltro::SystemClock::Instance();
    veltro::MainDialog dialog(clock, veltro::SerialPort::Factory(clock));
    int result = 1;
    veltro::SmsInboxPage& inbox = dialog.Inbox();
    // Only the first cycle that has them all: a later one would grab the compose page
    // into the inbox's picture.
    bool shooting = false;
    QObject::connect(&inbox, &veltro::SmsInboxPage::cycleFinished, &dialog, [&] {
        if (shooting || inbox.Messages().rowCount() < 4) {
            return;
        }
        shooting = true;
        dialog.ShowPage(veltro::MainDialog::kInboxView);
        inbox.MessageList().selectRow(1);
        inbox.ShowSelectedMessage();
        QTimer::singleShot(500, &dialog, [&] {
            const bool inboxSaved = Grab(dialog, inboxShot);
            dialog.PhonebookEntries().appendRow({new QStandardItem(QStringLiteral("张三")),
                                                 new QStandardItem(QStringLiteral("13800138000"))});
            dialog.Compose().FillRecipients();
            dialog.Compose().Recipient().setCurrentIndex(0);
            QString text;
            while (text.size() < 100) {
                text += QStringLiteral("今晚七点在老地方见面，不见不散。");
            }
            dialog.Compose().MessageBox().setPlainText(text.left(100));
            dialog.ShowPage(veltro::MainDialog::kComposeView);
            QTimer::singleShot(500, &dialog, [&, inboxSaved] {
                result = inboxSaved && Grab(dialog, composeShot) ? 0 : 1;
                QApplication::exit(0);
            });
        });
    });
    QTimer::singleShot(120000, &dialog, [] { QApplication::exit(1); });
    dialog.Initialise(nullptr);
    dialog.move(40, 40);
    dialog.show();
    QApplication::exec();
    return result;
}
