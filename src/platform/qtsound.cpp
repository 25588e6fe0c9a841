// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <sndfile.h>

#include <algorithm>
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

// libsndfile reads the file from memory, so that what it may see is what was read.
struct MemoryFile {
    QByteArrayView bytes;
    sf_count_t at = 0;
};

sf_count_t memoryLength(void* file)
{
    return static_cast<MemoryFile*>(file)->bytes.size();
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* data)
{
    auto* file = static_cast<MemoryFile*>(data);
    const sf_count_t base = whence == SEEK_CUR   ? file->at
                            : whence == SEEK_END ? file->bytes.size()
                                                 : 0;
    // Out-of-range offsets, which a lying header asks for, are held at the ends.
    const sf_count_t size = file->bytes.size();
    file->at = std::clamp<sf_count_t>(base + std::clamp<sf_count_t>(offset, -size, size), 0, size);
    return file->at;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* data)
{
    auto* file = static_cast<MemoryFile*>(data);
    const sf_count_t taken = std::clamp<sf_count_t>(count, 0, file->bytes.size() - file->at);
    if (taken > 0) {
        std::memcpy(out, file->bytes.data() + file->at, std::size_t(taken));
        file->at += taken;
    }
    return taken;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*)
{
    return 0;
}

sf_count_t memoryTell(void* file)
{
    return static_cast<MemoryFile*>(file)->at;
}

} // namespace

std::optional<WavSound> decodeWav(QByteArrayView file)
{
    MemoryFile memory{file};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> sound(
        sf_open_virtual(&io, SFM_READ, &info, &memory), sf_close);
    if (!sound || info.channels < 1 || info.channels > 8 || info.samplerate < 1000 ||
        info.samplerate > 384000 || info.frames < 1 ||
        info.frames > maxDecodedBytes / 2 / info.channels) {
        return {};
    }
    // Float files may hold values past full scale, which must not wrap around.
    sf_command(sound.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    WavSound out{info.channels, info.samplerate,
                 QByteArray(qsizetype(info.frames) * info.channels * 2, Qt::Uninitialized)};
    const sf_count_t read =
        sf_readf_short(sound.get(), reinterpret_cast<short*>(out.pcm.data()), info.frames);
    if (read < 1) {
        return {};
    }
    // A file cut short plays what it holds.
    out.pcm.truncate(qsizetype(read) * info.channels * 2);
    return out;
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
    format.setSampleFormat(QAudioFormat::Int16);
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
