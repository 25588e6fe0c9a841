#pragma once
// Sound through Qt Multimedia.

#include "sound.h"

#include <memory>

class QSoundEffect;

namespace cuaderno {

class QtSound final : public Sound {
public:
    QtSound();
    ~QtSound() override;
    void play(const QString& path) override;

private:
    // Made at the first sound, so that start-up never waits for the audio device.
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace cuaderno
