// Starts the window on the virtual data card with Chinese messages on the SIM, waits
// until the inbox has fetched them (a long one arrives in parts) and saves two PNGs:
// the inbox with a message open in the viewer, and the compose page with a long text
// and its part count. Run under Xvfb by scripts/sms-shots.sh.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QStandardItemModel>
#include <QTimer>

#include <cstdio>

#include "CardWindow.h"
#include "app/Translation.h"

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
    // The window's sandbox becomes the current folder: the pictures' paths are taken
    // before it.
    const QString inboxShot = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString composeShot = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    veltro::test::CardWindow window;
    veltro::Translation::Install();
    if (!window.OpenDemo()) {
        return 1;
    }
    window.Card().AddMessage("+8613912345678",
                             "周末的聚会改到星期六下午三点，地点还是学校门口的那家茶馆。"
                             "记得带上上次借的书，另外小王说他会晚一点到，因为他要先去火车站"
                             "接他妹妹。如果下雨的话我们就改在室内，到时候再通知大家。");
    window.Card().AddMessage("10086", "尊敬的客户，您本月话费余额为12.50元。");
    veltro::MainDialog& dialog = window.Dialog();
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
    dialog.move(40, 40);
    if (!window.Start()) {
        return 1;
    }
    QApplication::exec();
    return result;
}
