#pragma once

#include <QObject>
#include <QString>

namespace veltro {

// The ring of an incoming call, looped until stopped. The sound is "Callring.wav" in the
// current directory, or the one installed beside the executable when the current
// directory has none. A missing or unplayable file, or a machine without sound, rings
// silently: IsRinging() still tells whether the call page wants the ring.
class RingSound : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kFileName = "Callring.wav";

    explicit RingSound(QObject* parent);

    // Starts the loop; a ring already going on is left as it is.
    void Start();
    void Stop();
    bool IsRinging() const { return ringing_; }
    // The file the last Start chose, empty when there was none.
    QString Source() const { return source_; }

private:
    bool ringing_ = false;
    QString source_;
    // The platform's player (a QSoundEffect where Qt Multimedia is built in), made at
    // the first ring.
    QObject* player_ = nullptr;
};

}  // namespace veltro
