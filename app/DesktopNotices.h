#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSystemTrayIcon;
class QWidget;

namespace veltro {

// Tells the desktop about a new message or an incoming call while the window is out of
// sight (hidden in the tray or minimised); nothing while it is in view. A click on the
// notice brings the window forward on the page the notice is about.
class DesktopNotices : public QObject {
public:
    // Where notices go. The tray icon's message is the desktop's notification (the
    // freedesktop service where there is one); tests put a stand-in in.
    class Notifier {
    public:
        virtual ~Notifier() = default;
        virtual void Notify(const QString& title, const QString& text) = 0;
    };

    // bringForward shows, restores and raises the window on a page's view.
    DesktopNotices(QWidget& window, std::function<void(int view)> bringForward);
    ~DesktopNotices() override;

    // Notices go to the tray icon's messages; a click on one is a click on the notice.
    void UseTray(QSystemTrayIcon& tray);
    void SetNotifier(std::unique_ptr<Notifier> notifier);

    // A new message from sender (its first line shown) or a call (text names the
    // caller), for the page of view.
    void Announce(int view, const QString& title, const QString& text);
    // The user clicked the last notice.
    void Clicked();

private:
    QWidget& window_;
    std::function<void(int view)> bringForward_;
    std::unique_ptr<Notifier> notifier_;
    int view_ = -1;
};

}  // namespace veltro
