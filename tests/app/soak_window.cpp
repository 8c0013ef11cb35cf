// The window on the virtual data card for a long run (scripts/soak.sh soak): a message
// arrives every 20 s, and every 2 minutes a call rings in, is answered on the call page
// after 3 s and hung up 10 s later. Every 10 minutes, and at the start and the end, it
// prints the process's memory, descriptors and threads, and at the end whether every
// message reached the inbox and every call was answered. A measurement, not a test.
#include <QApplication>
#include <QTimer>

#include <dirent.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "CardWindow.h"
#include "pages/CallPage.h"
#include "pages/SmsInboxPage.h"

namespace {

long StatusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(folder)) {
            count += entry->d_name[0] != '.';
        }
        closedir(folder);
    }
    return count - 1;  // the listing's own descriptor
}

void Sample(const char* label) {
    std::printf("%-8s rss %6ld kB  descriptors %3d  threads %2ld\n", label, StatusField("VmRSS"),
                OpenDescriptors(), StatusField("Threads"));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [SECONDS]\n", argv[0]);
        return 2;
    }
    veltro::test::CardWindow window;
    if (!window.OpenDemo()) {
        return 1;
    }
    veltro::MainDialog& dialog = window.Dialog();
    veltro::vcard::VirtualCard& card = window.Card();

    int messagesSent = 0;
    int callsRung = 0;
    int callsAnswered = 0;
    int startRows = 0;
    QTimer messages;
    QTimer calls;
    QTimer samples;
    QObject::connect(&messages, &QTimer::timeout, [&] {
        ++messagesSent;
        card.AddMessage("1380013" + std::to_string(1000 + messagesSent % 9000),
                        "soak message " + std::to_string(messagesSent));
    });
    QObject::connect(&calls, &QTimer::timeout, [&] {
        ++callsRung;
        card.IncomingCall("13912345678");
        QTimer::singleShot(3000, &dialog, [&] {
            veltro::CallPage& page = dialog.Call();
            if (page.Ringing()) {
                page.CallButton().click();
            }
            QTimer::singleShot(10000, &dialog, [&] {
                callsAnswered += page.Counting();
                page.HangUpButton().click();
            });
        });
    });
    QObject::connect(&samples, &QTimer::timeout, [&] {
        static int minutes = 0;
        minutes += 10;
        Sample((std::to_string(minutes) + " min").c_str());
    });
    if (!window.Start()) {
        return 1;
    }
    // The inbox fetches the card's own unread messages first.
    QTimer::singleShot(15000, &dialog, [&] {
        startRows = dialog.Inbox().Messages().rowCount();
        Sample("start");
        messages.start(20000);
        calls.start(120000);
        samples.start(600000);
        QTimer::singleShot(seconds * 1000, &dialog, [&] {
            messages.stop();
            calls.stop();
            samples.stop();
            // The last message's inbox cycle.
            QTimer::singleShot(12000, &dialog, [&] { QApplication::exit(0); });
        });
    });
    const int status = QApplication::exec();
    Sample("end");
    const int fetched = dialog.Inbox().Messages().rowCount() - startRows;
    std::printf("messages: %d sent, %d in the inbox\ncalls: %d rang, %d answered\n", messagesSent,
                fetched, callsRung, callsAnswered);
    return status == 0 && fetched == messagesSent && callsAnswered == callsRung ? 0 : 1;
}
