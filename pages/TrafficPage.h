#pragma once

#include <QStringList>

#include <cstdint>

#include "pages/DialogPage.h"

namespace veltro {

// The page of template 131, shown while the dial-up connection is up. Once a period it
// reads the connection's byte totals, draws them with the current and average speeds
// and the connection time on a rounded grey panel, and checks that the program's entry
// is still connected; when it is not, it hands over to the main window's connect
// button handler, which disconnects.
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

    TrafficPage(PageHost& host, QWidget* parent);

    // Resets every count and starts the refresh with the period.
    void Start(int periodMs);
    void Stop();
    // One refresh: statistics, drawing, previous values and seconds, then the check
    // that the connection is still there.
    void Tick();

    const Counters& Values() const { return counters_; }
    // The seven lines the panel shows for these counts.
    static QStringList Lines(const Counters& counters);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Counters counters_;
};

}  // namespace veltro
