#include "pages/TrafficPage.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPainter>

#include <algorithm>

#include "dialup/ConnectionStatistics.h"
#include "dialup/DialupConnection.h"
#include "ui/PlainText.h"

namespace veltro {

namespace {

const QColor kPanelColour(230, 230, 230);
const QColor kTextColour(0, 29, 143);
constexpr int kCornerSize = 16;
// The panel font's cell height in pixels, internal leading included.
constexpr int kFontCellHeight = 16;
constexpr double kMegabyte = 1024.0 * 1024.0;

// Bytes per period between two ticks, x 0.01. A counter that went backwards (a new
// link's counters, or a wrap of the kernel's) shows no speed rather than a huge one.
double Speed(std::uint32_t now, std::uint32_t before) {
    return now >= before ? static_cast<double>(now - before) * 0.01 : 0.0;
}

double Average(std::uint32_t bytes, std::uint32_t seconds) {
    return seconds == 0 ? 0.0 : static_cast<double>(bytes / seconds) * 0.01;
}

QString Megabytes(std::uint64_t bytes) {
    return QString::number(static_cast<double>(bytes) / kMegabyte, 'f', 1);
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

TrafficPage::TrafficPage(PageHost& host, QWidget* parent, MonthlyDataCounter usage)
    : DialogPage(host, parent, QSize(134, 152)), usage_(std::move(usage)) {
    connect(&Timer1(), &QTimer::timeout, this, &TrafficPage::Tick);
    usage_.Load();
    UpdateToolTip();
}

void TrafficPage::Start(int periodMs) {
    counters_ = {};
    recent_.clear();
    usage_.BeginConnection();
    ticksSinceSave_ = 0;
    StartTimer1(periodMs);
}

void TrafficPage::Stop() {
    if (Timer1().isActive()) {
        usage_.Save();
    }
    StopTimer1();
}

void TrafficPage::Tick() {
    GetStatistics(counters_.sendRate, counters_.receiveRate, counters_.bytesSent,
                  counters_.bytesReceived);
    CountUsage();
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
        QCoreApplication::translate("TrafficPage", "发送：%1 字节").arg(c.bytesSent),
        QCoreApplication::translate("TrafficPage", "接收：%1 字节").arg(c.bytesReceived),
        QCoreApplication::translate("TrafficPage", "接收速度：%1kbps")
            .arg(Speed(c.bytesReceived, c.prevBytesReceived), 0, 'f', 1),
        QCoreApplication::translate("TrafficPage", "发送速度：%1 kbps")
            .arg(Speed(c.bytesSent, c.prevBytesSent), 0, 'f', 1),
        QCoreApplication::translate("TrafficPage", "接收平均：%1 kbps")
            .arg(Average(c.bytesReceived, s), 0, 'f', 1),
        QCoreApplication::translate("TrafficPage", "发送平均：%1 kbps")
            .arg(Average(c.bytesSent, s), 0, 'f', 1),
        QString::asprintf(QCoreApplication::translate("TrafficPage", "连接时间：%02u:%02u:%02u ")
                              .toUtf8()
                              .constData(),
                          s / 3600, (s % 3600) / 60, s % 60),
    };
}

QString TrafficPage::MonthLine(const MonthlyDataCounter::Totals& month, std::uint64_t capBytes) {
    QString line =
        QCoreApplication::translate("TrafficPage", "本月流量：%1").arg(Megabytes(month.Bytes()));
    if (capBytes != 0) {
        line += QStringLiteral(" / %1").arg(Megabytes(capBytes));
    }
    return line + QStringLiteral(" MB");
}

// Adds the tick's bytes to the month, keeps the minute's speeds, saves once a minute and
// warns when the month reaches a new share of the cap. The warning does not wait for
// the user: the counting goes on behind it.
void TrafficPage::CountUsage() {
    usage_.Update(counters_.bytesReceived, counters_.bytesSent);
    recent_.emplace_back(Speed(counters_.bytesReceived, counters_.prevBytesReceived),
                         Speed(counters_.bytesSent, counters_.prevBytesSent));
    if (recent_.size() > kRecentSeconds) {
        recent_.pop_front();
    }
    UpdateToolTip();
    const int warning = usage_.TakeWarning(capBytes_);
    if (++ticksSinceSave_ >= kUsageSaveTicks || warning != 0) {
        usage_.Save();
        ticksSinceSave_ = 0;
    }
    if (warning == 0) {
        return;
    }
    auto* box = new QMessageBox(
        QMessageBox::Warning, QCoreApplication::translate("TrafficPage", "流量提醒"),
        warning >= 100
            ? QCoreApplication::translate("TrafficPage", "本月流量已达到上限 %1 MB。")
                  .arg(Megabytes(capBytes_))
            : QCoreApplication::translate("TrafficPage", "本月流量已用去上限 %1 MB 的 90%。")
                  .arg(Megabytes(capBytes_)),
        QMessageBox::Ok, window());
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TrafficPage::UpdateToolTip() {
    if (!usage_.Problem().empty()) {
        setToolTip(PlainText::ToolTip(QString::fromStdString(usage_.Problem())));
        return;
    }
    if (recent_.empty()) {
        setToolTip(QString());
        return;
    }
    double receiveTop = 0, sendTop = 0, receiveSum = 0, sendSum = 0;
    for (const auto& [receive, send] : recent_) {
        receiveTop = std::max(receiveTop, receive);
        sendTop = std::max(sendTop, send);
        receiveSum += receive;
        sendSum += send;
    }
    const double count = static_cast<double>(recent_.size());
    setToolTip(QCoreApplication::translate("TrafficPage",
                                           "最近 %1 秒\n接收：平均 %2 kbps，最高 %3 kbps\n"
                                           "发送：平均 %4 kbps，最高 %5 kbps")
                   .arg(recent_.size())
                   .arg(receiveSum / count, 0, 'f', 1)
                   .arg(receiveTop, 0, 'f', 1)
                   .arg(sendSum / count, 0, 'f', 1)
                   .arg(sendTop, 0, 'f', 1));
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
    painter.drawText(line, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     MonthLine(usage_.ThisMonth(), capBytes_));
}

}  // namespace veltro
