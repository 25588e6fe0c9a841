#include "qtsound.h"

#include "directorylookup.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cuaderno {

namespace {

// The sink turns idle as soon as the server holds every sample, not once it has played them
// all through the device's own buffer. Closing the stream then throws away what is left, which
// is how QSoundEffect lost the end of every sound; an idle stream is only closed once the sound
// and this much more have passed, so that the device can rest.
constexpr int drainMilliseconds = 3000;
// Server buffer beyond the sound itself.
constexpr qint64 marginMicroseconds = 100'000;

quint16 le16(QByteArrayView bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

quint32 le32(QByteArrayView bytes, qsizetype at)
{
    return quint32(le16(bytes, at)) | quint32(le16(bytes, at + 2)) << 16;
}

struct WavFormat {
    quint16 tag = 0;
    int channels = 0;
    int sampleRate = 0;
    int blockAlign = 0;
    int bits = 0;
};

std::optional<WavFormat> readFormat(QByteArrayView chunk)
{
    if (chunk.size() < 16) {
        return {};
    }
    WavFormat format{le16(chunk, 0), le16(chunk, 2), int(le32(chunk, 4) & 0x7fffffff),
                     le16(chunk, 12), le16(chunk, 14)};
    constexpr quint16 extensible = 0xfffe;
    if (format.tag == extensible) {
        // The real format is the first two bytes of the sub-format GUID.
        if (chunk.size() < 40) {
            return {};
        }
        format.tag = le16(chunk, 24);
    }
    return format;
}

QAudioFormat::SampleFormat audioSample(WavSound::Sample sample)
{
    switch (sample) {
    case WavSound::Sample::UInt8:
        return QAudioFormat::UInt8;
    case WavSound::Sample::Int16:
        return QAudioFormat::Int16;
    case WavSound::Sample::Int32:
        return QAudioFormat::Int32;
    case WavSound::Sample::Float:
        return QAudioFormat::Float;
    }
    return QAudioFormat::Unknown;
}

} // namespace

std::optional<WavSound> decodeWav(QByteArrayView file)
{
    if (file.size() < 12 || file.first(4) != "RIFF" || file.sliced(8, 4) != "WAVE") {
        return {};
    }
    std::optional<WavFormat> format;
    std::optional<QByteArrayView> data;
    // Declared sizes are not trusted: a chunk ends at the end of the file at the latest.
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const QByteArrayView id = file.sliced(at, 4);
        const qint64 declared = le32(file, at + 4);
        at += 8;
        const QByteArrayView chunk = file.sliced(at, std::min(declared, qint64(file.size() - at)));
        if (id == "fmt " && !format) {
            format = readFormat(chunk);
            if (!format) {
                return {};
            }
        } else if (id == "data" && !data) {
            data = chunk;
        }
        at += declared + (declared & 1);
    }
    if (!format || !data || format->channels < 1 || format->channels > 8 ||
        format->sampleRate < 1000 || format->sampleRate > 384000) {
        return {};
    }

    WavSound sound;
    sound.channels = format->channels;
    sound.sampleRate = format->sampleRate;
    constexpr quint16 pcm = 1;
    constexpr quint16 ieeeFloat = 3;
    if (format->tag == pcm && format->bits == 8) {
        sound.sample = WavSound::Sample::UInt8;
    } else if (format->tag == pcm && format->bits == 16) {
        sound.sample = WavSound::Sample::Int16;
    } else if (format->tag == pcm && (format->bits == 24 || format->bits == 32)) {
        sound.sample = WavSound::Sample::Int32;
    } else if (format->tag == ieeeFloat && format->bits == 32) {
        sound.sample = WavSound::Sample::Float;
    } else {
        return {};
    }
    const int sampleBytes = format->bits / 8;
    const int frameBytes = sampleBytes * format->channels;
    if (format->blockAlign != frameBytes) {
        return {};
    }
    const qsizetype frames = data->size() / frameBytes;
    if (frames == 0) {
        return {};
    }
    const QByteArrayView samples = data->first(frames * frameBytes);
    const qsizetype count = frames * format->channels;
    if (format->bits == 24) {
        // Widened to the top three bytes of a 32-bit sample, which every sink takes.
        sound.pcm = QByteArray(count * 4, Qt::Uninitialized);
        char* out = sound.pcm.data();
        for (qsizetype i = 0; i < count; ++i) {
            out[4 * i] = 0;
            std::memcpy(out + 4 * i + 1, samples.data() + 3 * i, 3);
        }
    } else if (sound.sample == WavSound::Sample::Float) {
        // A corrupt file must not hand the server values no speaker can play.
        sound.pcm = samples.toByteArray();
        for (qsizetype i = 0; i < count; ++i) {
            float value;
            std::memcpy(&value, sound.pcm.constData() + 4 * i, 4);
            value = std::isfinite(value) ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
            std::memcpy(sound.pcm.data() + 4 * i, &value, 4);
        }
    } else {
        sound.pcm = samples.toByteArray();
    }
    return sound;
}

std::optional<WavSound> readWav(const QString& path)
{
    const QString onDisk = DirectoryLookup::resolve(path);
    if (onDisk.isEmpty()) {
        return {};
    }
    QFile file(onDisk);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return decodeWav(file.read(maxWavBytes));
}

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

bool QtSound::prepareSink(const WavSound& sound)
{
    QAudioFormat format;
    format.setSampleFormat(audioSample(sound.sample));
    format.setChannelCount(sound.channels);
    format.setSampleRate(sound.sampleRate);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        return false;
    }
    if (sink_ && sink_->format() == format && device.id() == sinkDevice_) {
        return true;
    }
    if (!source_) {
        source_ = std::make_unique<QBuffer>();
        release_ = std::make_unique<QTimer>();
        release_->setSingleShot(true);
        QObject::connect(release_.get(), &QTimer::timeout, release_.get(), [this] {
            if (sink_ && sink_->state() == QAudio::IdleState) {
                sink_->stop();
            }
        });
    }
    sink_.reset();
    sink_ = std::make_unique<QAudioSink>(device, format);
    sinkDevice_ = device.id();
    // Until the next sound cuts it off or the server must have played it all.
    QObject::connect(sink_.get(), &QAudioSink::stateChanged, release_.get(),
                     [this](QAudio::State state) {
                         if (state == QAudio::IdleState) {
                             release_->start();
                         } else {
                             release_->stop();
                         }
                     });
    return true;
}

void QtSound::play(const QString& path)
{
    // A new sound cuts off the one still playing, even when the new one cannot play.
    if (sink_) {
        sink_->stop();
    }
    std::optional<WavSound> sound = readWav(path);
    if (!sound || !prepareSink(*sound)) {
        fallBack();
        return;
    }
    // Room on the server for the whole sound, which it then starts only once it holds all of
    // it: with the usual quarter of a second, a busy moment in this thread starves the stream,
    // and the server waits for a quarter of a second more before it resumes, so a shorter
    // remainder is never heard.
    const QAudioFormat format = sink_->format();
    sink_->setBufferSize(sound->pcm.size() + format.bytesForDuration(marginMicroseconds));
    release_->setInterval(
        int(format.durationForBytes(sound->pcm.size()) / 1000 + drainMilliseconds));
    source_->close();
    source_->setData(sound->pcm);
    source_->open(QIODevice::ReadOnly);
    sink_->start(source_.get());
    if (sink_->state() == QAudio::StoppedState) {
        fallBack();
    }
}

} // namespace cuaderno
