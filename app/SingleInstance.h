#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace veltro {

// One copy of the program per user and executable name.
//
// The first copy takes an advisory lock on "<name>.lock" in the runtime directory and
// holds it until the process ends, so a copy that crashed leaves no stale claim. Once
// its window exists it listens on the local socket "<name>.socket" beside the lock; a
// later copy finds the lock taken, asks the first one over that socket to bring its
// window forward, and ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // directory: where the lock and the socket live, normally $XDG_RUNTIME_DIR.
    SingleInstance(const QString& name, const QString& directory);
    ~SingleInstance() override;

    // The executable's base name and the user's runtime directory.
    static QString ApplicationName();
    static QString RuntimeDirectory();

    // Takes the lock: true for the first copy.
    bool Claim();
    // Asks the first copy to show its window. False when no window answered within
    // the limit (for example while the first copy is still starting).
    bool ActivateFirstCopy(int limitMs = 2000);

    // The first copy's window is ready to be brought forward.
    bool Listen();
    void StopListening();

signals:
    void activationRequested();

private:
    void OnConnection();

    QString lockPath_;
    QString socketPath_;
    int lockFd_ = -1;
    QLocalServer server_;
};

}  // namespace veltro
