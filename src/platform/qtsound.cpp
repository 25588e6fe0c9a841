#include "qtsound.h"

#include "directorylookup.h"

#include <QApplication>
#include <QSoundEffect>
#include <QUrl>

namespace cuaderno {

QtSound::QtSound(std::function<void()> fallback) : fallback_(std::move(fallback)) {}

QtSound::~QtSound() = default;

void QtSound::fallBack()
{
    if (fallback_) {
        fallback_();
    } else {
        QApplication::beep();
    }
}

void QtSound::play(const QString& path)
{
    // A new sound cuts off the one still playing, even when the new one cannot play.
    if (effect_) {
        effect_->stop();
    }
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        fallBack();
        return;
    }
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
        // The file is decoded in the background; a file that turns out unplayable beeps then.
        QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(), [this] {
            if (effect_->status() == QSoundEffect::Error) {
                fallBack();
            }
        });
    }
    const QUrl source = QUrl::fromLocalFile(onDisk);
    if (effect_->source() == source && effect_->status() == QSoundEffect::Error) {
        fallBack();
        return;
    }
    effect_->setSource(source);
    effect_->play();
}

} // namespace cuaderno
