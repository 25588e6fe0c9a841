// The page-turn sounds through a real sound server: a PulseAudio server whose only sink
// writes into a FIFO that the test reads, so what the program played can be analysed.

#include "e2esession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace cuaderno::e2e;

namespace {

constexpr int rate = 44100;
constexpr int bytesPerFrame = 4; // 16-bit stereo
constexpr double nextTone = 440.0;
constexpr double previousTone = 1320.0;
constexpr int silenceLevel = 200;

const QColor background(37, 91, 163);
const QSize drawingSize(300, 200);

// Reads the sink's FIFO at the pace of real time, so the server plays at its normal speed,
// and keeps the left channel.
class FifoRecorder {
public:
    explicit FifoRecorder(int fd) : fd_(fd), thread_([this] { record(); }) {}
    ~FifoRecorder()
    {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    FifoRecorder(const FifoRecorder&) = delete;
    FifoRecorder& operator=(const FifoRecorder&) = delete;

    std::size_t frames() const
    {
        const std::lock_guard lock(mutex_);
        return left_.size();
    }
    std::vector<qint16> since(std::size_t frame) const
    {
        const std::lock_guard lock(mutex_);
        return {left_.begin() + qsizetype(std::min(frame, left_.size())), left_.end()};
    }

private:
    void record()
    {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        std::size_t taken = 0;
        QByteArray pending;
        char buffer[16384];
        while (!stop_) {
            const double seconds = std::chrono::duration<double>(clock::now() - start).count();
            const auto due = std::size_t(seconds * rate * bytesPerFrame);
            const std::size_t wanted = std::min(due - std::min(due, taken), sizeof buffer);
            if (wanted > 0) {
                const ssize_t got = ::read(fd_, buffer, wanted);
                if (got > 0) {
                    taken += std::size_t(got);
                    pending.append(buffer, got);
                    const qsizetype whole = pending.size() / bytesPerFrame * bytesPerFrame;
                    const std::lock_guard lock(mutex_);
                    for (qsizetype i = 0; i < whole; i += bytesPerFrame) {
                        left_.push_back(qint16(quint16(quint8(pending[i])) |
                                               quint16(quint8(pending[i + 1]) << 8)));
                    }
                    pending.remove(0, whole);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    int fd_;
    std::atomic<bool> stop_ = false;
    mutable std::mutex mutex_;
    std::vector<qint16> left_;
    std::thread thread_;
};

struct Heard {
    double seconds = 0;   // how long it sounded
    double rms = 0;       // its level
    double frequency = 0; // from the zero crossings
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
    Heard heard;
    if (end <= begin) {
        return heard;
    }
    double energy = 0;
    int crossings = 0;
    for (std::size_t i = begin; i < end; ++i) {
        energy += double(samples[i]) * samples[i];
        if (i > begin && (samples[i - 1] < 0) != (samples[i] < 0)) {
            ++crossings;
        }
    }
    heard.seconds = double(end - begin) / rate;
    heard.rms = std::sqrt(energy / double(end - begin));
    heard.frequency = crossings / 2.0 / heard.seconds;
    return heard;
}

// Whether the samples hold a sound followed by a tenth of a second of silence.
bool soundEnded(const std::vector<qint16>& samples)
{
    std::size_t quietRun = 0;
    bool heard = false;
    for (qint16 s : samples) {
        if (std::abs(int(s)) > silenceLevel) {
            heard = true;
            quietRun = 0;
        } else if (heard && ++quietRun >= rate / 10) {
            return true;
        }
    }
    return false;
}

} // namespace

class TestE2eSound : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pageTurnSounds();
};

void TestE2eSound::pageTurnSounds()
{
    if (const QString why =
            E2eSession::missingTools({QStringLiteral("Xvfb"), QStringLiteral("xdotool"),
                                      QStringLiteral("import"), QStringLiteral("pulseaudio")});
        !why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    E2eSession session;
    const QString home = session.path(QStringLiteral("pulse"));
    const QString fifo = home + QStringLiteral("/sink");
    const QString socket = home + QStringLiteral("/native");
    QVERIFY(QDir().mkpath(home + QStringLiteral("/runtime")));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const FifoRecorder recorder(fd);

    // The server's files stay inside the session's folder; it loads nothing else.
    QProcessEnvironment soundEnvironment = QProcessEnvironment::systemEnvironment();
    soundEnvironment.insert(QStringLiteral("HOME"), home);
    soundEnvironment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    soundEnvironment.insert(QStringLiteral("PULSE_RUNTIME_PATH"),
                            home + QStringLiteral("/runtime"));
    soundEnvironment.remove(QStringLiteral("DISPLAY"));
    QString why;
    QProcess* server = session.startHelper(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
         QStringLiteral("--system=no"), QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
         QStringLiteral("module-pipe-sink file=%1 format=s16le rate=%2 channels=2")
             .arg(fifo)
             .arg(rate),
         QStringLiteral("-L"),
         QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket)},
        soundEnvironment, why);
    if (server == nullptr) {
        QSKIP(qPrintable(why));
    }
    const QDeadlineTimer ready(15000);
    while (!QFile::exists(socket) && server->state() == QProcess::Running && !ready.hasExpired()) {
        QTest::qWait(50);
    }
    if (!QFile::exists(socket)) {
        QSKIP(qPrintable(QStringLiteral("el servidor de sonido no arranca: ") +
                         QString::fromLocal8Bit(server->readAllStandardError()).right(500)));
    }

    QVERIFY(session.writeGif(QStringLiteral("fondo.gif"), {16, 16}, background));
    for (int n = 1; n <= 2; ++n) {
        QVERIFY(session.writeGif(QStringLiteral("dibujos/1/si coloreado/%1.gif").arg(n),
                                 drawingSize, Qt::red));
        QVERIFY(session.writeGif(QStringLiteral("dibujos/1/no coloreado/%1.gif").arg(n),
                                 drawingSize, Qt::white));
    }
    QVERIFY(session.write(QStringLiteral("sonido1.wav"), wavTone(nextTone, 0.4)));
    QVERIFY(session.write(QStringLiteral("sonido2.wav"), wavTone(previousTone, 0.4)));

    QVERIFY2(session.startX(why), qPrintable(why));
    QProcessEnvironment extra;
    extra.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
    extra.insert(QStringLiteral("PULSE_RUNTIME_PATH"), home + QStringLiteral("/runtime"));
    extra.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    extra.insert(QStringLiteral("HOME"), home);
    const std::size_t startedAt = recorder.frames();
    QVERIFY2(session.startProgram(extra, why), qPrintable(why));
    QTest::qWait(300);

    // Start-up plays nothing: whatever the sink wrote so far is silence.
    QVERIFY(firstSound(recorder.since(startedAt)).seconds == 0);
    const auto turnAndListen = [&](const QString& button) {
        const std::size_t from = recorder.frames();
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
            if (soundEnded(samples) || (firstSound(samples).seconds > 0 && still.elapsed() > 400)) {
                break;
            }
            QTest::qWait(50);
        }
        return firstSound(recorder.since(from));
    };
    const Heard next = turnAndListen(QStringLiteral("siguiente"));
    const Heard previous = turnAndListen(QStringLiteral("anterior"));
    const QString heard = QStringLiteral("siguiente %1 s, %2 Hz, nivel %3; anterior %4 s, %5 Hz, "
                                         "nivel %6\n")
                              .arg(next.seconds)
                              .arg(next.frequency)
                              .arg(next.rms)
                              .arg(previous.seconds)
                              .arg(previous.frequency)
                              .arg(previous.rms) +
                          session.diagnostics();

    // Each turn sounded at a clear level, each with its own file: next the low tone,
    // previous the high one...
    QVERIFY2(next.seconds > 0.1 && previous.seconds > 0.1, qPrintable(heard));
    QVERIFY2(next.rms > 2000 && previous.rms > 2000, qPrintable(heard));
    QVERIFY2(std::abs(next.frequency - nextTone) < 30, qPrintable(heard));
    QVERIFY2(std::abs(previous.frequency - previousTone) < 60, qPrintable(heard));
    // ...and to its end: the sound server plays the last samples too.
    QVERIFY2(next.seconds > 0.35 && previous.seconds > 0.35, qPrintable(heard));
    QVERIFY2(next.seconds < 0.5 && previous.seconds < 0.5, qPrintable(heard));
}

QTEST_MAIN(TestE2eSound)
#include "tst_e2e_sound.moc"
