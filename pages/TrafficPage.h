#pragma once

#include <QStringList>

#include <cstdint>
#include <deque>

#include "dialup/DialupPaths.h"
#include "dialup/MonthlyDataCounter.h"
#include "pages/DialogPage.h"

namespace veltro {

// The page of template 131, shown while the dial-up connection is up. Once a period it
// reads the connection's byte totals, draws them with the current and average speeds
// and the connection time on a rounded grey panel, and checks that the program's entry
// is still connected; when it is not, it hands over to the main window's connect
// button handler, which disconnects. Below the seven lines it shows this month's bytes
// over every connection, warns once at 90 % and once at 100 % of the user's monthly cap,
// and its tooltip sums up the speeds of the last minute.
class TrafficPage : public DialogPage {
    Q_OBJECT

public:
    static constexpr int kTemplateId = 131;

    // What the page counts; all 0 at the start of a connection.
    struct Counters {
        std::uint32_t bytesReceived = 0;
        std::uint32_t bytesSent = 0;
        std::uint32_t receiveRate = 0;
        std::uint32_t sendRate = 0;
        std::uint32_t secondsConnected = 0;
        std::uint32_t prevBytesReceived = 0;
        std::uint32_t prevBytesSent = 0;
    };

    static constexpr int kTextLeft = 85;
    static constexpr int kTextTop = 15;
    static constexpr int kTextHeight = 20;
    static constexpr int kLineStep = 30;

    // Seconds of speeds the tooltip sums up.
    static constexpr std::size_t kRecentSeconds = 60;
    // Ticks between two saves of the month's totals while connected.
    static constexpr int kUsageSaveTicks = 60;

    // usage counts the month's bytes; its file is read here.
    TrafficPage(PageHost& host, QWidget* parent,
                MonthlyDataCounter usage = MonthlyDataCounter(DialupPaths::DataUsage(),
                                                              [] { return std::time(nullptr); }));

    // The monthly cap in bytes; 0 for none.
    void SetMonthlyCap(std::uint64_t bytes) { capBytes_ = bytes; }

    // Resets every count and starts the refresh with the period.
    void Start(int periodMs);
    void Stop();
    // One refresh: statistics, drawing, previous values and seconds, then the check
    // that the connection is still there.
    void Tick();

    const Counters& Values() const { return counters_; }
    // The seven lines the panel shows for these counts.
    static QStringList Lines(const Counters& counters);
    // The line under them: this month's megabytes, and the cap when there is one.
    static QString MonthLine(const MonthlyDataCounter::Totals& month, std::uint64_t capBytes);
    const MonthlyDataCounter& Usage() const { return usage_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void CountUsage();
    void UpdateToolTip();

    Counters counters_;
    MonthlyDataCounter usage_;
    std::uint64_t capBytes_ = 0;
    int ticksSinceSave_ = 0;
    // The last minute's receive and send speeds, in kbps, oldest first.
    std::deque<std::pair<double, double>> recent_;
};

}  // namespace veltro
