#include "pages/RingSound.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "ui/ArtPaths.h"

#ifdef VELTRO_WITH_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace veltro {

namespace {

QString RingFile() {
    const QString here = QDir::current().filePath(QString::fromLatin1(RingSound::kFileName));
    if (QFileInfo(here).isFile()) {
        return here;
    }
    const QString installed = ArtPaths::RingSound();
    return QFileInfo(installed).isFile() ? installed : QString();
}

}  // namespace

RingSound::RingSound(QObject* parent) : QObject(parent) {}

void RingSound::Start() {
    if (ringing_) {
        return;
    }
    ringing_ = true;
    source_ = RingFile();
#ifdef VELTRO_WITH_MULTIMEDIA
    if (source_.isEmpty()) {
        return;
    }
    auto* effect = static_cast<QSoundEffect*>(player_);
    if (effect == nullptr) {
        effect = new QSoundEffect(this);
        effect->setLoopCount(QSoundEffect::Infinite);
        player_ = effect;
    }
    const QUrl url = QUrl::fromLocalFile(source_);
    if (effect->source() != url) {
        effect->setSource(url);
    }
    effect->play();
#endif
}

void RingSound::Stop() {
    ringing_ = false;
#ifdef VELTRO_WITH_MULTIMEDIA
    if (player_ != nullptr) {
        static_cast<QSoundEffect*>(player_)->stop();
    }
#endif
}

}  // namespace veltro
