#pragma once
// Sound through Qt Multimedia: asynchronous, one sound at a time.

#include "sound.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <memory>
#include <optional>

class QAudioSink;
class QBuffer;
class QTimer;

namespace cuaderno {

// The samples of a WAV file, ready for the sound server.
struct WavSound {
    enum class Sample { UInt8, Int16, Int32, Float };
    Sample sample = Sample::Int16;
    int channels = 0;
    int sampleRate = 0;
    QByteArray pcm; // whole frames only; 24-bit files come widened to Int32
};

// The largest WAV file read; a longer one plays its beginning only.
constexpr qsizetype maxWavBytes = 10 * 1024 * 1024;

// The PCM in a RIFF WAV file, or nothing when it holds none this program can play. A file cut
// short plays what it holds.
std::optional<WavSound> decodeWav(QByteArrayView file);
// The same for a file on disk, found case-blind; only its first maxWavBytes are read.
std::optional<WavSound> readWav(const QString& path);

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
    bool prepareSink(const WavSound& sound);

    std::function<void()> fallback_;
    // Made at the first sound, so that start-up never waits for the audio device.
    std::unique_ptr<QBuffer> source_;
    std::unique_ptr<QTimer> release_;
    std::unique_ptr<QAudioSink> sink_;
    QByteArray sinkDevice_; // the output the sink was made for
};

} // namespace cuaderno
