// Start-up to the first painted main window. Without arguments it starts itself five
// times in a scratch folder and prints each figure and the median; with --once it
// measures one start and prints milliseconds from the process's start (kernel start
// time, 10 ms steps) and from main() to the end of the window's first paint. The modem
// dialogue runs on its worker and is not part of the figure.
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/DialogColours.h"
#include "app/MainDialog.h"
#include "modem/SerialPort.h"
#include "modem/SystemClock.h"

namespace {

double MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// The process's start, in the same time base as MonotonicMs.
double ProcessStartMs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    std::vector<std::string> fields;
    std::string field;
    for (char c : text.substr(close + 2)) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    // Field 22 of the file, the 20th after the name.
    return std::stod(fields.at(19)) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

class TimedDialog : public veltro::MainDialog {
public:
    using MainDialog::MainDialog;
    double firstPaintMs = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        MainDialog::paintEvent(event);
        if (firstPaintMs == 0) {
            firstPaintMs = MonotonicMs();
            // exit, not quit: quit would first ask the window to close.
            QCoreApplication::exit(0);
        }
    }
};

int Once(int argc, char** argv) {
    const double mainMs = MonotonicMs();
    QApplication application(argc, argv);
    veltro::DialogColours::Apply();
    veltro::Clock& clock = veltro::SystemClock::Instance();
    TimedDialog dialog(clock, veltro::SerialPort::Factory(clock));
    dialog.Initialise(nullptr);
    dialog.show();
    // Some platforms paint within show() already.
    if (dialog.firstPaintMs == 0) {
        QApplication::exec();
    }
    std::printf("%.1f %.1f\n", dialog.firstPaintMs - ProcessStartMs(),
                dialog.firstPaintMs - mainMs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--once") {
        return Once(argc, argv);
    }
    QCoreApplication application(argc, argv);
    QTemporaryDir scratch;
    QDir(scratch.path()).mkdir(QStringLiteral("run"));
    QFile::setPermissions(scratch.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile(scratch.filePath(QStringLiteral("modems.ini"))).open(QIODevice::WriteOnly);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       scratch.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), scratch.filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("VELTROGPRS_MODEMS"),
                       scratch.filePath(QStringLiteral("modems.ini")));
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM"))) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    std::vector<double> fromStart;
    std::vector<double> fromMain;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(scratch.path());
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--once")});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            std::fprintf(stderr, "bench_startup: run %d failed: %s\n", run,
                         child.readAllStandardError().constData());
            return 1;
        }
        double start = 0;
        double main = 0;
        if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %lf", &start, &main) != 2) {
            std::fprintf(stderr, "bench_startup: run %d printed no figure\n", run);
            return 1;
        }
        fromStart.push_back(start);
        fromMain.push_back(main);
    }
    std::sort(fromStart.begin(), fromStart.end());
    std::sort(fromMain.begin(), fromMain.end());
    std::printf(
        "bench_startup: start-up to first painted window, median of 5 (%s): "
        "%.0f ms from process start (worst %.0f), %.0f ms from main() (worst %.0f)\n",
        qPrintable(environment.value(QStringLiteral("QT_QPA_PLATFORM"))), fromStart[2],
        fromStart[4], fromMain[2], fromMain[4]);
    return 0;
}
