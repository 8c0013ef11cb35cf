#pragma once

#include <QObject>

class QSocketNotifier;

namespace veltro {

// Turns SIGTERM, SIGHUP and SIGINT into a signal on the user-interface thread, so that
// a logout, a shutdown or a kill ends the window in order instead of losing what it
// holds. The handler only writes one byte to a pipe; everything else runs in the
// event loop.
class SessionEnd : public QObject {
    Q_OBJECT

public:
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

    // Installs the handlers; false when the pipe or a handler could not be set up.
    bool Install();

signals:
    void requested(int signalNumber);

private:
    static void OnSignal(int signalNumber);
    void ReadPending();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace veltro
