// The inbox with a large "sms.dat": loading 100,000 records into the window's list and
// showing the inbox, saving them back, and the memory the list takes. Prints figures.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "records/MessageRecord.h"
#include "records/RecordFile.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

namespace {

constexpr int kRecords = 100000;

// Resident memory of this process in kB (VmRSS).
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    veltro::DialogColours::Apply();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    // Records as the inbox writes them: number, time and a Chinese text that fills
    // most of the 256-byte field.
    std::vector<veltro::MessageRecord> records;
    records.reserve(kRecords);
    std::string text;
    for (int i = 0; i < 60; ++i) {
        text += "短信内容";
    }
    text = text.substr(0, 3 * 80);
    for (int i = 0; i < kRecords; ++i) {
        records.push_back(
            {"+86139" + std::to_string(10000000 + i), "12:34:56", std::to_string(i) + " " + text});
    }
    using MessageFile = veltro::RecordFile<veltro::MessageRecord>;
    if (!MessageFile::Write(MessageFile::CurrentDirectoryPath(), records)) {
        std::fprintf(stderr, "bench_inbox: cannot write sms.dat\n");
        return 1;
    }
    records.clear();
    records.shrink_to_fit();

    veltro::Clock& clock = veltro::SystemClock::Instance();
    veltro::MainDialog window(clock, veltro::SerialPort::Factory(clock));
    window.show();
    QApplication::processEvents();
    const long before = ResidentKb();

    QElapsedTimer timer;
    timer.start();
    window.LoadDataFiles();
    window.ShowPage(veltro::MainDialog::kInboxView);
    window.repaint();
    QApplication::processEvents();
    const qint64 loadMs = timer.elapsed();
    const long after = ResidentKb();

    timer.restart();
    const bool saved = window.SaveDataFiles();
    const qint64 saveMs = timer.elapsed();

    std::printf(
        "inbox: %d records loaded and shown in %lld ms, saved in %lld ms%s; list memory "
        "%ld MB\n",
        window.Inbox().Messages().rowCount(), static_cast<long long>(loadMs),
        static_cast<long long>(saveMs), saved ? "" : " (save FAILED)", (after - before) / 1024);
    return saved && window.Inbox().Messages().rowCount() == kRecords ? 0 : 1;
}
