// SPDX-License-Identifier: GPL-3.0-or-later
// The page-turn sounds through a real sound server: a PulseAudio server whose only sink
// writes into a FIFO that the test reads, so what the program played can be analysed.

#include "e2esession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace cuaderno::e2e;

namespace {

constexpr int rate = 44100;
constexpr int bytesPerFrame = 4; // 16-bit stereo
constexpr double nextTone = 440.0;
constexpr double previousTone = 1320.0;
constexpr int silenceLevel = 200;

const QSize drawingSize(300, 200);

// Reads the sink's FIFO at the pace of real time, so the server plays at its normal speed;
// what it heard comes back as the left channel.
class FifoRecorder {
public:
    explicit FifoRecorder(const QString& fifo)
        : fd_(::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK)),
          thread_([this] { record(); })
    {}
    ~FifoRecorder()
    {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

    std::vector<qint16> since(std::size_t frame) const
    {
        const std::lock_guard lock(mutex_);
        std::vector<qint16> left;
        for (auto i = qsizetype(frame) * bytesPerFrame; i + bytesPerFrame <= raw_.size();
             i += bytesPerFrame) {
            left.push_back(qFromLittleEndian<qint16>(raw_.constData() + i));
        }
        return left;
    }

private:
    void record()
    {
        QElapsedTimer clock;
        clock.start();
        char buffer[16384];
        for (std::size_t taken = 0; !stop_; QThread::msleep(5)) {
            const auto due = std::size_t(clock.nsecsElapsed() * 1e-9 * rate * bytesPerFrame);
            const std::size_t wanted = std::min(due - std::min(due, taken), sizeof buffer);
            const ssize_t got = wanted > 0 ? ::read(fd_, buffer, wanted) : 0;
            if (got > 0) {
                taken += std::size_t(got);
                const std::lock_guard lock(mutex_);
                raw_.append(buffer, got);
            }
        }
    }

    int fd_;
    std::atomic<bool> stop_ = false;
    mutable std::mutex mutex_;
    QByteArray raw_;
    std::thread thread_;
};

struct Heard {
    double seconds = 0;   // how long it sounded
    double rms = 0;       // its level
    double frequency = 0; // from the zero crossings
    bool ended = false;   // a tenth of a second of silence followed it
};

// The first sound in the samples, up to the first 100 ms of silence after it.
Heard firstSound(const std::vector<qint16>& samples)
{
    const auto loud = [&](std::size_t i) { return std::abs(int(samples[i])) > silenceLevel; };
    std::size_t begin = 0;
    while (begin < samples.size() && !loud(begin)) {
        ++begin;
    }
    std::size_t end = begin;
    std::size_t quiet = 0;
    for (std::size_t i = begin; i < samples.size() && quiet < rate / 10; ++i) {
        quiet = loud(i) ? 0 : quiet + 1;
        end = loud(i) ? i + 1 : end;
    }
    double energy = 0;
    int crossings = 0;
    for (std::size_t i = begin; i < end; ++i) {
        energy += double(samples[i]) * samples[i];
        crossings += i > begin && (samples[i - 1] < 0) != (samples[i] < 0);
    }
    const double n = std::max(1.0, double(end - begin)); // nothing heard: all zero
    return {double(end - begin) / rate, std::sqrt(energy / n), crossings / 2.0 / n * rate,
            quiet >= rate / 10};
}

} // namespace

class TestE2eSound : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageTurnSounds()
    {
        E2E_REQUIRE(u"Xvfb xdotool import pulseaudio"_s);
        E2eSession session;
        const QString home = session.path(u"pulse"_s);
        const QString fifo = home + u"/sink"_s;
        const QString socket = home + u"/native"_s;
        QVERIFY(QDir().mkpath(home + u"/runtime"_s));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const FifoRecorder recorder(fifo);

        // The server's files stay inside the session's folder; it loads nothing else, and the
        // program finds it through the same settings.
        QProcessEnvironment extra;
        extra.insert(u"HOME"_s, home);
        extra.insert(u"XDG_RUNTIME_DIR"_s, home + u"/runtime"_s);
        extra.insert(u"PULSE_RUNTIME_PATH"_s, home + u"/runtime"_s);
        QProcessEnvironment soundEnvironment = QProcessEnvironment::systemEnvironment();
        soundEnvironment.insert(extra);
        soundEnvironment.remove(u"DISPLAY"_s);
        QString why;
        if (!session.startHelper(
                u"pulseaudio"_s,
                u"-n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=no --log-target=stderr"_s
                        .split(u' ')
                    << u"-L"_s
                    << u"module-pipe-sink file=%1 format=s16le rate=%2 channels=2"_s.arg(fifo).arg(
                           rate)
                    << u"-L"_s
                    << u"module-native-protocol-unix socket=%1 auth-anonymous=1"_s.arg(socket),
                soundEnvironment, [&] { return QFile::exists(socket); }, why)) {
            CUADERNO_SKIP(qPrintable(why));
        }

        for (int n = 1; n <= 2; ++n) {
            session.tree.picture(u"dibujos/1/si coloreado/%1.gif"_s.arg(n), drawingSize, Qt::red);
            session.tree.picture(u"dibujos/1/no coloreado/%1.gif"_s.arg(n), drawingSize, Qt::white);
        }
        // Sounds in the compressed forms of old WAV files, one at the sink's rate, one resampled.
        session.tree.tone(u"sonido1.wav"_s, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, rate, nextTone,
                          rate * 2 / 5);
        session.tree.tone(u"sonido2.wav"_s, SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, previousTone,
                          3200);

        extra.insert(u"PULSE_SERVER"_s, u"unix:"_s + socket);
        const std::size_t startedAt = recorder.since(0).size();
        QVERIFY2(session.start(extra, why), qPrintable(why));
        QTest::qWait(300);

        // Start-up plays nothing: whatever the sink wrote so far is silence.
        QVERIFY(firstSound(recorder.since(startedAt)).seconds == 0);
        const auto turnAndListen = [&](const QString& button) {
            const std::size_t from = recorder.since(0).size();
            if (!session.click(buttonCentre(button))) {
                return Heard{};
            }
            // The sink writes nothing once no stream plays: a sound has ended when silence
            // follows it or when the sink has written nothing new for a while.
            const QDeadlineTimer deadline(8000);
            QElapsedTimer still;
            still.start();
            std::size_t seen = from;
            while (!deadline.hasExpired()) {
                const std::vector<qint16> samples = recorder.since(from);
                if (from + samples.size() != seen) {
                    seen = from + samples.size();
                    still.restart();
                }
                if (const Heard h = firstSound(samples);
                    h.ended || (h.seconds > 0 && still.elapsed() > 400)) {
                    break;
                }
                QTest::qWait(50);
            }
            return firstSound(recorder.since(from));
        };
        const Heard next = turnAndListen(u"siguiente"_s);
        const Heard previous = turnAndListen(u"anterior"_s);
        const auto describe = [](const Heard& h) { // next first, then previous
            return u"%1 s, %2 Hz, nivel %3\n"_s.arg(h.seconds).arg(h.frequency).arg(h.rms);
        };
        const QString heard = describe(next) + describe(previous) + session.diagnostics();

        // Each turn sounded at a clear level, each with its own file: next the low tone, previous
        // the high one; and whole, since the sound server plays the last samples too.
        for (const Heard& h : {next, previous}) {
            QVERIFY2(h.rms > 2000 && h.seconds > 0.35 && h.seconds < 0.5, qPrintable(heard));
        }
        QVERIFY2(std::abs(next.frequency - nextTone) < 30, qPrintable(heard));
        QVERIFY2(std::abs(previous.frequency - previousTone) < 60, qPrintable(heard));
    }
};

QTEST_MAIN(TestE2eSound)
#include "tst_e2e_sound.moc"
