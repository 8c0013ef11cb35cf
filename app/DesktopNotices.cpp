#include "app/DesktopNotices.h"

#include <QSystemTrayIcon>
#include <QWidget>

namespace veltro {

namespace {

// The longest text a notice shows; a message's first line is cut there.
constexpr int kTextLimit = 120;
constexpr int kShownMs = 10000;

class TrayNotifier final : public DesktopNotices::Notifier {
public:
    explicit TrayNotifier(QSystemTrayIcon& tray) : tray_(tray) {}
    void Notify(const QString& title, const QString& text) override {
        tray_.showMessage(title, text, QSystemTrayIcon::Information, kShownMs);
    }

private:
    QSystemTrayIcon& tray_;
};

// Notification services may read markup in a notice's text: texts from the network are
// escaped, control characters dropped, and only the first line is kept.
QString Plain(const QString& text) {
    QString line = text.section(QLatin1Char('\n'), 0, 0);
    line.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    if (line.size() > kTextLimit) {
        line = line.left(kTextLimit) + QStringLiteral("…");
    }
    return line.toHtmlEscaped();
}

}  // namespace

DesktopNotices::DesktopNotices(QWidget& window, std::function<void(int view)> bringForward)
    : window_(window), bringForward_(std::move(bringForward)) {}

DesktopNotices::~DesktopNotices() = default;

void DesktopNotices::UseTray(QSystemTrayIcon& tray) {
    notifier_ = std::make_unique<TrayNotifier>(tray);
    connect(&tray, &QSystemTrayIcon::messageClicked, this, &DesktopNotices::Clicked);
}

void DesktopNotices::SetNotifier(std::unique_ptr<Notifier> notifier) {
    notifier_ = std::move(notifier);
}

void DesktopNotices::Announce(int view, const QString& title, const QString& text) {
    if (notifier_ == nullptr || (window_.isVisible() && !window_.isMinimized())) {
        return;
    }
    view_ = view;
    notifier_->Notify(Plain(title), Plain(text));
}

void DesktopNotices::Clicked() {
    if (view_ >= 0) {
        bringForward_(view_);
    }
}

}  // namespace veltro
