// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound through Qt Multimedia: asynchronous, one sound at a time.

#include "sound.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAudioSink;
class QBuffer;
class QTimer;

namespace cuaderno {

// A sound decoded for the sound server: interleaved 16-bit samples in the machine's byte order.
struct WavSound {
    int channels = 0;
    int sampleRate = 0;
    QByteArray pcm;
    qsizetype frames() const { return channels > 0 ? pcm.size() / (2 * channels) : 0; }
};

// The most of a sound file that is read; a longer one plays its beginning only.
constexpr qsizetype maxWavBytes = 10 * 1024 * 1024;
// The most a sound may take once decoded: ADPCM packs four 16-bit samples into two bytes, so a
// file within the read limit stays within this; a header claiming more is lying.
constexpr qsizetype maxDecodedBytes = 4 * maxWavBytes;

// The samples of a sound file (WAV in PCM, float, ADPCM, µ-law, A-law, or any other form the
// decoder knows), or nothing when it is not a sound this program can play.
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
