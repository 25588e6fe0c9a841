#include "qtsound.h"

#include "directorylookup.h"

#include <QApplication>
#include <QSoundEffect>
#include <QUrl>

namespace cuaderno {

QtSound::QtSound() = default;
QtSound::~QtSound() = default;

void QtSound::play(const QString& path)
{
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        QApplication::beep();
        return;
    }
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
    }
    effect_->stop();
    effect_->setSource(QUrl::fromLocalFile(onDisk));
    effect_->play();
}

} // namespace cuaderno
