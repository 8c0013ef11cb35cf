#include "pages/TrafficPage.h"

#include <QFontMetrics>
#include <QPainter>

#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"

namespace veltro {

namespace {

const QColor kPanelColour(230, 230, 230);
const QColor kTextColour(0, 29, 143);
constexpr int kCornerSize = 16;
// The panel font's cell height in pixels, internal leading included.
constexpr int kFontCellHeight = 16;

// Bytes per period between two ticks, x 0.01. A counter that went backwards (a new
// link's counters, or a wrap of the kernel's) shows no speed rather than a huge one.
double Speed(std::uint32_t now, std::uint32_t before) {
    return now >= before ? static_cast<double>(now - before) * 0.01 : 0.0;
}

double Average(std::uint32_t bytes, std::uint32_t seconds) {
    return seconds == 0 ? 0.0 : static_cast<double>(bytes / seconds) * 0.01;
}

QFont PanelFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kFontCellHeight);
    // The height names the whole cell: scale the size so the line height matches.
    const int height = QFontMetrics(font).height();
    if (height > kFontCellHeight) {
        font.setPixelSize(kFontCellHeight * kFontCellHeight / height);
    }
    return font;
}

}  // namespace

TrafficPage::TrafficPage(PageHost& host, QWidget* parent)
    : DialogPage(host, parent, QSize(134, 152)) {
    connect(&Timer1(), &QTimer::timeout, this, &TrafficPage::Tick);
}

void TrafficPage::Start(int periodMs) {
    counters_ = {};
    StartTimer1(periodMs);
}

void TrafficPage::Stop() {
    StopTimer1();
}

void TrafficPage::Tick() {
    GetStatistics(counters_.sendRate, counters_.receiveRate, counters_.bytesSent,
                  counters_.bytesReceived);
    // Drawn now, before the previous values catch up, so the speeds show.
    repaint();
    counters_.prevBytesReceived = counters_.bytesReceived;
    counters_.prevBytesSent = counters_.bytesSent;
    ++counters_.secondsConnected;
    ConnectionHandle handle = 0;
    DialupConnection* dialup = Host().Dialup();
    if (dialup == nullptr || !dialup->IsConnected(DialupConnection::kEntryName, handle)) {
        Host().ToggleConnection();
    }
}

QStringList TrafficPage::Lines(const Counters& c) {
    const std::uint32_t s = c.secondsConnected;
    return {
        QStringLiteral("发送：%1 字节").arg(c.bytesSent),
        QStringLiteral("接收：%1 字节").arg(c.bytesReceived),
        QStringLiteral("接收速度：%1kbps")
            .arg(Speed(c.bytesReceived, c.prevBytesReceived), 0, 'f', 1),
        QStringLiteral("发送速度：%1 kbps").arg(Speed(c.bytesSent, c.prevBytesSent), 0, 'f', 1),
        QStringLiteral("接收平均：%1 kbps").arg(Average(c.bytesReceived, s), 0, 'f', 1),
        QStringLiteral("发送平均：%1 kbps").arg(Average(c.bytesSent, s), 0, 'f', 1),
        QString::asprintf("连接时间：%02u:%02u:%02u ", s / 3600, (s % 3600) / 60, s % 60),
    };
}

void TrafficPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = rect();
    painter.setPen(Qt::black);
    painter.setBrush(kPanelColour);
    painter.drawRoundedRect(client.adjusted(0, 0, -1, -1), kCornerSize / 2.0, kCornerSize / 2.0);

    painter.setFont(PanelFont());
    painter.setPen(kTextColour);
    painter.setBackground(kPanelColour);
    painter.setBackgroundMode(Qt::OpaqueMode);
    QRect line(QPoint(kTextLeft, kTextTop), QPoint(client.right(), kTextTop + kTextHeight - 1));
    for (const QString& text : Lines(counters_)) {
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
        line.translate(0, kLineStep);
    }
}

}  // namespace veltro
