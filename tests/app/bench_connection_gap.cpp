// The window's responsiveness while it dials and while it disconnects: a 5 ms timer of
// the user-interface thread notes the longest gap between two of its ticks during the
// dial wait (click on "连接" until connected) and during the disconnect (hang-up,
// modem search and initialisation). Runs the real window on the virtual data card and
// the stand-in dialer, offscreen; prints the figures (milliseconds).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "CardWindow.h"

namespace {

// Gaps are counted apart while the window holds no engine (dial wait, hang-up) and
// while it holds one (the disconnect's modem search and initialisation).
struct Gaps {
    QElapsedTimer clock;
    std::function<bool()> engineHeld;
    qint64 last = -1;
    qint64 longest = 0;
    qint64 longestWithEngine = 0;
    int ticks = 0;
    bool measuring = false;

    void Begin() {
        measuring = true;
        longest = 0;
        longestWithEngine = 0;
        ticks = 0;
        last = clock.elapsed();
    }
    void Tick() {
        const qint64 now = clock.elapsed();
        if (measuring) {
            longest = std::max(longest, now - last);
            if (engineHeld()) {
                longestWithEngine = std::max(longestWithEngine, now - last);
            }
            ++ticks;
        }
        last = now;
    }
    // The stretch from the last tick to the end counts too.
    void End() {
        Tick();
        measuring = false;
    }
};

const QString kConnect = QStringLiteral("连接");
const QString kDisconnect = QStringLiteral("断开");

// Runs the event loop until done() holds or 30 s have passed; true when it holds.
bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || waited.elapsed() > 30000) {
            loop.quit();
        }
    });
    poll.start(1);
    if (!done()) {
        loop.exec();
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    veltro::test::CardWindow window;
    if (!window.OpenDemo()) {
        return 1;
    }
    veltro::MainDialog& dialog = window.Dialog();

    Gaps gaps;
    gaps.clock.start();
    gaps.engineHeld = [&dialog] { return dialog.Session().HasEngine(); };
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] { gaps.Tick(); });
    ticker.start(5);

    if (!window.Start()) {
        return 1;
    }
    int result = 1;
    QTimer::singleShot(200, &dialog, [&] {
        // The click returns at once: the dial goes on until the button says "断开".
        gaps.Begin();
        dialog.ToggleConnection();
        const bool connected = WaitFor([&] {
            return dialog.Connected() == 1 && dialog.ConnectButton().text() == kDisconnect;
        });
        gaps.End();
        std::printf("dial wait:  longest gap %lld ms over %d timer ticks (%s)\n",
                    static_cast<long long>(gaps.longest), gaps.ticks,
                    connected ? "connected" : "not connected");
        QTimer::singleShot(2000, &dialog, [&, connected] {
            gaps.Begin();
            dialog.ToggleConnection();
            const bool idle = WaitFor([&] {
                return dialog.ConnectButton().text() == kConnect &&
                       dialog.ConnectButton().isEnabled();
            });
            gaps.End();
            std::printf(
                "disconnect: longest gap %lld ms over %d timer ticks; %lld ms once "
                "the modem search had begun\n",
                static_cast<long long>(gaps.longest), gaps.ticks,
                static_cast<long long>(gaps.longestWithEngine));
            result = connected && idle && dialog.Session().HasEngine() ? 0 : 1;
            QApplication::exit(0);
        });
    });
    QApplication::exec();
    return result;
}
