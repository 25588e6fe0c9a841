#pragma once
// Sound through Qt Multimedia: asynchronous, one sound at a time.

#include "sound.h"

#include <functional>
#include <memory>

class QSoundEffect;

namespace cuaderno {

class QtSound final : public Sound {
public:
    // fallback plays when a file is missing or cannot be played; the system's beep if empty.
    explicit QtSound(std::function<void()> fallback = {});
    ~QtSound() override;
    QtSound(const QtSound&) = delete;
    QtSound& operator=(const QtSound&) = delete;

    void play(const QString& path) override;

private:
    void fallBack();

    std::function<void()> fallback_;
    // Made at the first sound, so that start-up never waits for the audio device.
    std::unique_ptr<QSoundEffect> effect_;
};

} // namespace cuaderno
