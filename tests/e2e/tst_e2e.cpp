// SPDX-License-Identifier: GPL-3.0-or-later
// The real program in a real X server, judged from screenshots: start-up, page turning, both
// brushes, quitting; every position comes from the layout rules for an 800 × 600 screen.
// Printing goes through a private CUPS scheduler in the test's folder, a PDF queue its only and
// default printer; the machine's own print server and printers are never asked or changed.
// The page-turn sounds go through a real sound server: a PulseAudio server whose only sink
// writes into a FIFO that the test reads, so what the program played can be analysed.
// One end-to-end session: a private X server, the real executable copied beside a data tree
// made for the test, and the outside tools that click and take screenshots. Everything the
// session starts ends with it, whichever check failed first.

#include "datatree.h"
#include "layout/screenlayout.h"
#include "skip.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef CUADERNO_EXECUTABLE
#error "CUADERNO_EXECUTABLE must name the built program"
#endif

using namespace Qt::StringLiterals;

namespace cuaderno::e2e {

// The screen every session runs on; clicks are placed from the layout rules for it.
constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
const QColor background(37, 91, 163); // fondo.gif, written into every session's tree

struct RowButton {
    QString name; // anterior, siguiente, imprimir, cat1 ... cat10, puntero, pincel, salir
    QRect rect;
};

namespace {

constexpr double twipsPerPixel = 15.0;
constexpr double screenWidthTwips = screenWidth * twipsPerPixel;

// A process the session starts ends with the test even when the test itself is killed.
std::unique_ptr<QProcess> ownedProcess()
{
    auto process = std::make_unique<QProcess>();
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    return process;
}

void stop(QProcess* process)
{
    if (!process || process->state() == QProcess::NotRunning) {
        return;
    }
    process->terminate();
    if (!process->waitForFinished(3000)) {
        process->kill();
        process->waitForFinished(3000);
    }
}

// Waits while the process runs until done holds or the deadline passes; whether done holds.
bool waitFor(QProcess& process, int timeoutMs, const std::function<bool()>& done)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (process.waitForStarted(5000) && process.state() == QProcess::Running && !done() &&
           !deadline.hasExpired()) {
        QTest::qWait(50);
    }
    return done();
}

QRect pixelRect(double left, double top, double width, double height)
{
    const auto px = [](double twips) { return int(std::nearbyint(twips / twipsPerPixel)); };
    return QRect(px(left), px(top), px(width), px(height));
}

const ScreenLayout& screenLayout()
{
    static const ScreenLayout layout =
        layoutScreen(float(screenWidthTwips), screenHeight * twipsPerPixel, DesignGeometry{});
    return layout;
}

// The layout's place for the canvas holding a picture of this size, after a page turn.
QRectF canvasTwips(QSize pictureSize)
{
    const double width = pictureSize.width() * twipsPerPixel;
    const double height = pictureSize.height() * twipsPerPixel;
    const CanvasFit fit = fitCanvas(float(screenLayout().command3.top), float(height));
    return {(screenWidthTwips - width) / 2, fit.top, width, height};
}

} // namespace

// The layout for that screen, which the program applies and the tests click by.
QList<RowButton> buttonRow()
{
    const ScreenLayout& l = screenLayout();
    const auto at = [](const TwipsRect& r) { return pixelRect(r.left, r.top, r.width, r.height); };
    QList<RowButton> row = {
        {u"anterior"_s, at(l.command3)},    {u"siguiente"_s, at(l.command4)},
        {u"imprimir"_s, at(l.command6[1])}, {u"puntero"_s, at(l.command6[0])},
        {u"pincel"_s, at(l.command1)},      {u"salir"_s, at(l.command2)},
    };
    for (std::size_t k = 0; k < l.command5.size(); ++k) {
        row.append({u"cat%1"_s.arg(k + 1), at(l.command5[k])});
    }
    return row;
}

QPoint buttonCentre(const QString& name)
{
    const QList<RowButton> row = buttonRow();
    const auto b =
        std::find_if(row.begin(), row.end(), [&](const RowButton& r) { return r.name == name; });
    return b == row.end() ? QPoint() : b->rect.center();
}

// A canvas of a picture's size centred above the row, and the animation's centre beside it.
QRect canvasRect(QSize pictureSize)
{
    const QRectF c = canvasTwips(pictureSize);
    return pixelRect(c.left(), c.top(), c.width(), c.height());
}

QPoint animationCentre(QSize pictureSize)
{
    const QRectF c = canvasTwips(pictureSize);
    const AnimationPlace place = placeAnimation(float(c.left()), float(c.top()), float(c.width()));
    return pixelRect(place.left, place.top, 975, 855).center();
}

// Channel-wise comparison; a small tolerance absorbs JPEG and print colour conversions.
bool near(QColor a, QColor b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Bounding box of the pixels inside area that match, or are near colour (empty when none are).
QRect boundsOf(const QImage& image, QRect area, const std::function<bool(QColor)>& match)
{
    QRect found;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (match(image.pixelColor(x, y))) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

QRect boundsOf(const QImage& image, QColor colour, QRect area, int tolerance = 6)
{
    return boundsOf(image, area, [&](QColor c) { return near(c, colour, tolerance); });
}

class E2eSession {
public:
    E2eSession() { tree.picture(u"fondo.gif"_s, {16, 16}, background); }
    ~E2eSession()
    {
        // The program first, then the servers it used.
        stop(program_.get());
        for (; !helpers_.empty(); helpers_.pop_back()) {
            stop(helpers_.back().get());
        }
        stop(xserver_.get());
    }

    // Why a session cannot run here (one of these space-separated programs is missing), or empty.
    static QString missingTools(const QString& programs)
    {
        QStringList missing;
        for (const QString& name : programs.split(u' ')) {
            if (QStandardPaths::findExecutable(name).isEmpty() &&
                QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s}).isEmpty()) {
                missing.append(name);
            }
        }
        return missing.isEmpty() ? QString() : u"no se encuentra: "_s + missing.join(u", "_s);
    }

    // The application folder: the data tree and, once started, the executable.
    test::DataTree tree;
    QString path(const QString& relative) const { return tree.path(relative); }

    // Starts the X server, copies the executable into the application folder, starts it with
    // extra settings and waits until its window is on the screen; false with the reason.
    bool start(const QProcessEnvironment& extra, QString& why)
    {
        // The server picks a free display and writes its number to standard output.
        xserver_ = ownedProcess();
        xserver_->start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                    u"%1x%2x24"_s.arg(screenWidth).arg(screenHeight),
                                    u"-nolisten"_s, u"tcp"_s, u"-noreset"_s});
        waitFor(*xserver_, 10000, [this] { return xserver_->canReadLine(); });
        display_ = u':' + QString::fromLatin1(xserver_->readLine().trimmed());
        if (display_.size() < 2) {
            why = u"Xvfb no arranca: "_s + xserver_->errorString() + u' ' + diagnostics();
            return false;
        }
        const QString executable = path(u"cuaderno"_s);
        if (!QFile::copy(QStringLiteral(CUADERNO_EXECUTABLE), executable)) {
            why = QStringLiteral("no se puede copiar " CUADERNO_EXECUTABLE);
            return false;
        }
        QProcessEnvironment environment = displayEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        // No sound server unless the test brings its own: nothing outside the session is touched.
        environment.insert(u"PULSE_SERVER"_s, path(u"no-sound-server"_s));
        environment.insert(u"HOME"_s, home_.path());
        environment.insert(u"XDG_CONFIG_HOME"_s, home_.path() + u"/.config"_s);
        environment.insert(u"XDG_DATA_HOME"_s, home_.path() + u"/.local/share"_s);
        environment.insert(u"XDG_CACHE_HOME"_s, home_.path() + u"/.cache"_s);
        // libxkbcommon-x11 hands strndup names without a terminator: strict string checks would
        // stop a sanitized program in the keyboard set-up, before any of its own code runs.
        if (environment.contains(u"ASAN_OPTIONS"_s)) {
            environment.insert(u"ASAN_OPTIONS"_s,
                               environment.value(u"ASAN_OPTIONS"_s) + u":strict_string_checks=0"_s);
        }
        environment.insert(extra);
        program_ = ownedProcess();
        program_->setProcessEnvironment(environment);
        program_->setWorkingDirectory(tree.root());
        program_->start(executable, {});
        const QStringList search{u"search"_s, u"--onlyvisible"_s, u"--name"_s,
                                 u"^Cuaderno para colorear$"_s};
        if (!waitFor(*program_, 20000, [&] {
                const auto found = run(u"xdotool"_s, search, 5000, displayEnvironment());
                return found && !found->trimmed().isEmpty();
            })) {
            why = u"la ventana no aparece: "_s + program_->errorString() + u'\n' + diagnostics();
            return false;
        }
        return true;
    }
    QProcess& program() { return *program_; }

    // A server that must not outlive the session (sound, printing), started and waited for
    // until ready() holds; false with the reason when it does not get there in 15 seconds.
    bool startHelper(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment, const std::function<bool()>& ready,
                     QString& why)
    {
        QProcess& process = *helpers_.emplace_back(ownedProcess());
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!waitFor(process, 15000, ready)) {
            why = program + u" no arranca: "_s + process.errorString() + u' ' +
                  QString::fromLocal8Bit(process.readAllStandardError().right(500));
            return false;
        }
        return true;
    }
    // Runs to completion, with a deadline; its standard output, or nothing on failure.
    static std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                                         int timeoutMs = 10000,
                                         const QProcessEnvironment& environment = {})
    {
        QProcess process;
        if (!environment.isEmpty()) {
            process.setProcessEnvironment(environment);
        }
        process.start(program, arguments);
        if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            stop(&process);
            return std::nullopt;
        }
        return process.readAllStandardOutput();
    }

    // xdotool on the session's display: a command chain such as mousemove, click, sleep.
    bool xdotool(const QStringList& arguments)
    {
        return run(u"xdotool"_s, arguments, 20000, displayEnvironment()).has_value();
    }
    bool click(QPoint at)
    {
        return xdotool(
            {u"mousemove"_s, QString::number(at.x()), QString::number(at.y()), u"click"_s, u"1"_s});
    }

    // Takes screenshots until condition holds or the deadline passes; the last one taken.
    QImage waitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs = 5000)
    {
        const QDeadlineTimer deadline(timeoutMs);
        QImage shot;
        do {
            const auto png = run(u"import"_s, {u"-window"_s, u"root"_s, u"png:-"_s}, 10000,
                                 displayEnvironment());
            shot = png ? QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32)
                       : QImage();
            if (!shot.isNull() && condition(shot)) {
                break;
            }
            QTest::qWait(30);
        } while (!deadline.hasExpired());
        return shot;
    }
    // What the program and the X server said, for a failing check's message.
    QString diagnostics() const
    {
        const auto said = [](const std::unique_ptr<QProcess>& p) {
            return p ? QString::fromLocal8Bit(p->readAllStandardError()).right(2000) : QString();
        };
        return u"programa: "_s + said(program_) + u"\nXvfb: "_s + said(xserver_);
    }

private:
    QProcessEnvironment displayEnvironment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, display_);
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.remove(u"XAUTHORITY"_s);
        return environment;
    }

    QTemporaryDir home_; // the program's HOME, with its XDG_* folders below
    std::unique_ptr<QProcess> xserver_;
    std::unique_ptr<QProcess> program_;
    std::vector<std::unique_ptr<QProcess>> helpers_;
    QString display_;
};

} // namespace cuaderno::e2e

#define E2E_REQUIRE(programs)                                                                      \
    if (const QString why = cuaderno::e2e::E2eSession::missingTools(programs); !why.isEmpty())     \
    CUADERNO_SKIP(qPrintable(why))

using namespace cuaderno::e2e;

namespace {

const QColor brushColours[] = {QColor(200, 0, 200), QColor(0, 170, 60)};
const QSize brushSizes[] = {QSize(10, 10), QSize(30, 20)};
const QColor animationColours[] = {QColor(255, 140, 0), QColor(140, 0, 255)};

struct Drawing {
    int category;
    QSize size;
    QColor uncoloured;
    QColor coloured;
    const char* colouredName;
    const char* uncolouredName;
};

// Distinct colours per drawing and layer; names in mixed letter case; one coloured JPEG.
const Drawing drawings[] = {
    {1, {300, 200}, {250, 215, 215}, {215, 25, 25}, "1.GIF", "1.GIF"},
    {1, {240, 180}, {215, 250, 215}, {25, 160, 25}, "2.gif", "2.gif"},
    {2, {280, 190}, {250, 250, 200}, {190, 150, 0}, "1.gif", "1.gif"},
    {2, {320, 210}, {200, 250, 250}, {0, 140, 140}, "2.JPG", "2.gif"},
};

bool sameRect(QRect a, QRect b)
{
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1 &&
           std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

#define VERIFY_RECT(found, expected)                                                               \
    QVERIFY2(sameRect(found, expected),                                                            \
             qPrintable(QDebug::toString(found) + u" != "_s + QDebug::toString(expected)))

// Bounds of everything that is not the background inside area.
QRect foreground(const QImage& shot, QRect area)
{
    return boundsOf(shot, area, [](QColor c) { return !near(c, background); });
}

// What a drag coloured within reach of p.
QRect stamp(const QImage& shot, const Drawing& d, QPoint p, int reach)
{
    return boundsOf(shot, d.coloured,
                    QRect(p - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1)));
}

QRect brushAt(QPoint p, QSize brush)
{
    return QRect(p - QPoint(brush.width() / 2, brush.height() / 2), brush);
}

// The colour each button's face leaves showing round its picture.
QColor faceColour(const QString& button)
{
    return button.startsWith(u"cat"_s)                         ? QColor(0, 255, 0)
           : button == u"imprimir"_s || button == u"puntero"_s ? QColor(255, 255, 0)
                                                               : QColor(255, 255, 255);
}

constexpr int rate = 44100;
constexpr int bytesPerFrame = 4; // 16-bit stereo
constexpr double nextTone = 440.0;
constexpr double previousTone = 1320.0;
constexpr int silenceLevel = 200;

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

// The queue's device: keeps each job, as the program sent it (a PDF), in the folder its address
// names. Owner-only, so that a scheduler running as root runs it as root too.
constexpr char backend[] = R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
out="${DEVICE_URI#pdfout:}"
if [ -n "$6" ]; then cat "$6"; else cat; fi >"$out/job-$1.part" && mv "$out/job-$1.part" "$out/job-$1.pdf"
)";

// A colour printer that takes PDF as it comes, so the job reaches the device as the program
// made it.
constexpr char ppd[] = R"ppd(*PPD-Adobe: "4.3"
*NickName: "PDF file"
*ColorDevice: True
*DefaultColorSpace: RGB
*cupsFilter2: "application/pdf application/pdf 0 -"
*OpenUI *PageSize: PickOne
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
)ppd";

// Writes the scheduler's configuration, every file and folder it uses inside root, and starts
// it; the settings that lead CUPS clients to it alone, or the reason it cannot run.
std::optional<QProcessEnvironment> startPrintServer(E2eSession& session, const QString& root,
                                                    QString& why)
{
    const QDir dir(root);
    for (const char* folder :
         {"conf/ppd", "spool/tmp", "cache", "state", "log", "ssl", "out", "bin/backend"}) {
        dir.mkpath(QString::fromLatin1(folder));
    }
    // The scheduler's helper programs are the machine's, except for the one device.
    for (const char* folder : {"filter", "daemon", "cgi-bin", "monitor", "notifier", "driver"}) {
        QFile::link(u"/usr/lib/cups/"_s + QLatin1String(folder),
                    dir.filePath(u"bin/"_s + QLatin1String(folder)));
    }
    const QString socket = dir.filePath(u"cups.sock"_s);
    // Every path the scheduler writes to is under root (@ in these files).
    const std::pair<const char*, QByteArray> files[] = {
        {"conf/cups-files.conf",
         "ServerRoot @/conf\nServerBin @/bin\nRequestRoot @/spool\nTempDir @/spool/tmp\n"
         "CacheDir @/cache\nStateDir @/state\nServerKeychain @/ssl\nPrintcap @/printcap\n"
         "CreateSelfSignedCerts No\nAccessLog @/log/access_log\nErrorLog @/log/error_log\n"
         "PageLog @/log/page_log\nFileDevice No\n"},
        {"conf/cupsd.conf",
         "Listen @/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"},
        {"conf/printers.conf", "<DefaultPrinter cuaderno-e2e>\nDeviceURI pdfout:@/out\nState Idle\n"
                               "Accepting Yes\nShared No\n</DefaultPrinter>\n"},
        {"conf/ppd/cuaderno-e2e.ppd", ppd},
        {"bin/backend/pdfout", backend}};
    for (auto [name, content] : files) {
        QFile file(dir.filePath(QLatin1String(name)));
        content.replace('@', QFile::encodeName(root));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
            !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            why = u"no se puede escribir la configuración de CUPS en "_s + root;
            return {};
        }
    }
    QProcessEnvironment client;
    client.insert(u"CUPS_SERVER"_s, socket);
    // Neither the machine's client settings nor the user's own choice of printer apply.
    client.insert(u"CUPS_SERVERROOT"_s, dir.filePath(u"conf"_s));
    client.insert(u"HOME"_s, root);
    client.insert(u"PRINTER"_s, {});
    client.insert(u"LPDEST"_s, {});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(client);
    environment.insert(u"LC_ALL"_s, u"C"_s);
    const bool ready = session.startHelper(
        u"cupsd"_s,
        {u"-f"_s, u"-c"_s, dir.filePath(u"conf/cupsd.conf"_s), u"-s"_s,
         dir.filePath(u"conf/cups-files.conf"_s)},
        environment,
        [&] {
            const auto status = E2eSession::run(u"lpstat"_s, {u"-r"_s}, 5000, environment);
            return status && status->contains("scheduler is running");
        },
        why);
    return ready ? std::optional(client) : std::nullopt;
}

} // namespace

class TestE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        E2E_REQUIRE(u"Xvfb xdotool import"_s);
        session_ = std::make_unique<E2eSession>();
        cuaderno::test::DataTree& tree = session_->tree;
        for (int i = 0; i < 2; ++i) {
            tree.picture(u"medida/%1.gif"_s.arg(i + 1), brushSizes[i], brushColours[i]);
            tree.animation(u"animados/%1.gif"_s.arg(i + 1),
                           {animationColours[i], animationColours[i]}, {40, 30});
        }
        tree.picture(u"punteros/1.ico"_s, {32, 32}, Qt::black);
        // Sounds in the compressed forms of old WAV files, one at the sink's rate, one resampled.
        tree.tone(u"sonido1.wav"_s, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, rate, nextTone,
                  rate * 2 / 5);
        tree.tone(u"sonido2.wav"_s, SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, previousTone, 3200);
        tree.text(u"impresora.txt"_s, "SI\n");
        for (const Drawing& d : drawings) {
            const QString folder = u"dibujos/%1/"_s.arg(d.category);
            tree.picture(folder + u"si coloreado/"_s + QLatin1String(d.colouredName), d.size,
                         d.coloured);
            tree.picture(folder + u"no coloreado/"_s + QLatin1String(d.uncolouredName), d.size,
                         d.uncoloured);
        }
    }

    void cleanup() { session_.reset(); }

    void startupScreen()
    {
        QVERIFY(launch());
        const QList<RowButton> row = buttonRow();
        const QRect title = canvasRect({679, 440}); // the title picture, laid out at start-up
        const int rowY = row.first().rect.top() - 2;
        const QRect aboveRow(0, 0, screenWidth, rowY);
        const QRect rowArea(0, rowY, screenWidth, screenHeight - rowY);
        const QRect rowBounds = row.first().rect | row[5].rect;
        const QImage shot = session_->waitForScreen([&](const QImage& s) {
            return sameRect(foreground(s, aboveRow), title) &&
                   sameRect(foreground(s, rowArea), rowBounds);
        });

        // The title picture alone above the row, centred over it; no animation yet. Along the
        // bottom, the row from the previous button to the quit button and nothing else.
        VERIFY_RECT(foreground(shot, aboveRow), title);
        VERIFY_RECT(foreground(shot, rowArea), rowBounds);
        for (const RowButton& b : row) {
            for (QPoint p :
                 {b.rect.topLeft() + QPoint(2, 2), b.rect.bottomRight() - QPoint(2, 2)}) {
                QVERIFY2(near(shot.pixelColor(p), faceColour(b.name)), qPrintable(b.name));
            }
        }
        // The brush button's face shows brush picture 1.
        QVERIFY(near(shot.pixelColor(buttonCentre(u"pincel"_s)), brushColours[0]));
    }

    void pageTurning()
    {
        QVERIFY(launch());
        // Previous starts at the last drawing, next wraps past it, a category opens at 1.
        const QStringList buttons{u"anterior"_s, u"siguiente"_s, u"cat2"_s, u"siguiente"_s};
        const int shown[] = {1, 0, 2, 3}; // drawings 1:2, 1:1, 2:1, 2:2
        for (qsizetype i = 0; i < buttons.size(); ++i) {
            const Drawing* d = &drawings[shown[i]];
            QVERIFY(press(buttons[i]));
            const QImage shot = waitForDrawing(*d, int(i) + 1);
            const QRect canvas = canvasRect(d->size);
            VERIFY_RECT(boundsOf(shot, d->uncoloured, canvas.adjusted(-20, -20, 20, 20)), canvas);
            // The uncoloured layer covers the whole drawing: none of its colours shows yet.
            QVERIFY(boundsOf(shot, d->coloured, canvas).isEmpty());
            QVERIFY2(near(shot.pixelColor(animationCentre(d->size)), animationColours[i % 2]),
                     qPrintable(buttons[i]));
        }
    }

    void colouring()
    {
        QVERIFY(launch());
        const Drawing& d = drawings[0];
        QVERIFY(press(u"siguiente"_s));
        waitForDrawing(d, 1);
        const QRect canvas = canvasRect(d.size);
        // Moves 40 pixels apart leave separate brush rectangles centred on each move; the press
        // itself, before any move, colours nothing. The brush button brings the second brush and
        // shows it on its face.
        for (int brush = 0; brush < 2; ++brush) {
            if (brush > 0) {
                QVERIFY(press(u"pincel"_s));
                const QPoint face = buttonCentre(u"pincel"_s);
                const QImage shot = session_->waitForScreen(
                    [&](const QImage& s) { return near(s.pixelColor(face), brushColours[brush]); });
                QVERIFY(near(shot.pixelColor(face), brushColours[brush]));
            }
            const QPoint pressAt(canvas.left() + 30, canvas.top() + 50 + 90 * brush);
            QList<QPoint> moves;
            for (int dx = 40; dx <= 200; dx += 40) {
                moves.append(pressAt + QPoint(dx, 0));
            }
            const QImage shot =
                dragUntil(d, pressAt, moves, QRect(moves.last() - QPoint(19, 19), QSize(39, 39)),
                          brushAt(moves.last(), brushSizes[brush]));
            QVERIFY(stamp(shot, d, pressAt, 19).isEmpty());
            for (QPoint p : moves) {
                VERIFY_RECT(stamp(shot, d, p, 19), brushAt(p, brushSizes[brush]));
            }
        }
        // The quit button ends the program, with success.
        QVERIFY(press(u"salir"_s));
        QVERIFY(session_->program().waitForFinished(10000));
        QCOMPARE(session_->program().exitStatus(), QProcess::NormalExit);
        QCOMPARE(session_->program().exitCode(), 0);
    }

    void printButtonPrintsOnePage()
    {
        E2E_REQUIRE(u"cupsd lpstat pdfinfo pdftoppm"_s);
        E2eSession& session = *session_;
        const Drawing& d = drawings[0]; // the first page after start-up
        QString why;
        const auto printServer = startPrintServer(session, session.path(u"cups"_s), why);
        if (!printServer) {
            CUADERNO_SKIP(qPrintable(why));
        }

        QVERIFY(launch(*printServer));

        // Next shows the drawing uncoloured; the print button prints its coloured version.
        QVERIFY(session.click(buttonCentre(u"siguiente"_s)));
        const QPoint middle = canvasRect(d.size).center();
        const auto shows = [&](const QImage& s) {
            return near(s.pixelColor(middle), d.uncoloured);
        };
        QVERIFY2(shows(session.waitForScreen(shows)), qPrintable(session.diagnostics()));
        QVERIFY(session.click(buttonCentre(u"imprimir"_s)));

        // The device writes the file, then the page can be read: wait for both.
        const auto readable = [&] {
            const QDir out(session.path(u"cups/out"_s));
            for (const QString& name : out.entryList({u"*.pdf"_s}, QDir::Files)) {
                if (E2eSession::run(u"pdfinfo"_s, {out.filePath(name)})) {
                    return out.filePath(name);
                }
            }
            return QString();
        };
        QString printed;
        for (const QDeadlineTimer deadline(45000);
             (printed = readable()).isEmpty() && !deadline.hasExpired();) {
            QTest::qWait(200);
        }
        QVERIFY2(!printed.isEmpty(), qPrintable(session.diagnostics()));
        const QByteArray info = *E2eSession::run(u"pdfinfo"_s, {printed});
        static const QRegularExpression pages(u"Pages:\\s+(\\d+)"_s);
        QCOMPARE(pages.match(QString::fromLatin1(info)).captured(1), u"1"_s);

        // The page holds the whole coloured drawing at the canvas's size: 300 × 200 pixels are
        // 4500 × 3000 twips, 3.125 × 2.083 inches, so 150 × 100 dots at 48 dpi.
        const QString png = session.path(u"page"_s);
        QVERIFY(E2eSession::run(u"pdftoppm"_s,
                                {u"-r"_s, u"48"_s, u"-png"_s, u"-singlefile"_s, printed, png}));
        const QImage page = QImage(png + u".png"_s).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!page.isNull());
        const QRect drawing = boundsOf(page, d.coloured, page.rect(), 40);
        QVERIFY2(std::abs(drawing.width() - 150) <= 3 && std::abs(drawing.height() - 100) <= 3,
                 qPrintable(u"%1×%2"_s.arg(drawing.width()).arg(drawing.height())));
        QVERIFY(boundsOf(page, d.uncoloured, page.rect(), 12).isEmpty());
    }
    void pageTurnSounds()
    {
        E2E_REQUIRE(u"pulseaudio"_s);
        E2eSession& session = *session_;
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

        extra.insert(u"PULSE_SERVER"_s, u"unix:"_s + socket);
        const std::size_t startedAt = recorder.since(0).size();
        QVERIFY(launch(extra));
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
        for (auto [h, tone] : {std::pair(next, nextTone), std::pair(previous, previousTone)}) {
            QVERIFY2(h.rms > 2000 && h.seconds > 0.35 && h.seconds < 0.5 &&
                         std::abs(h.frequency - tone) < tone / 20,
                     qPrintable(heard));
        }
    }

private:
private:
    bool launch(const QProcessEnvironment& extra = {})
    {
        QString why;
        return session_->start(extra, why) || (qWarning("%s", qPrintable(why)), false);
    }
    bool press(const QString& name) { return session_->click(buttonCentre(name)); }
    // Waits until the canvas shows the drawing's uncoloured layer, fitted where it belongs,
    // beside the animation the page turns so far have brought.
    QImage waitForDrawing(const Drawing& d, int pageTurns)
    {
        const QRect canvas = canvasRect(d.size);
        const QColor animation = animationColours[(pageTurns - 1) % 2];
        return session_->waitForScreen([&](const QImage& shot) {
            return sameRect(boundsOf(shot, d.uncoloured, canvas.adjusted(-20, -20, 20, 20)),
                            canvas) &&
                   near(shot.pixelColor(animationCentre(d.size)), animation);
        });
    }
    // Drags with the left button held through the moves, pausing at each, then waits until the
    // coloured layer within area shows exactly as expected.
    QImage dragUntil(const Drawing& d, QPoint from, const QList<QPoint>& moves, QRect area,
                     QRect expected)
    {
        const auto move = [](QPoint p) {
            return QStringList{u"mousemove"_s, QString::number(p.x()), QString::number(p.y())};
        };
        QStringList chain = move(from) << u"sleep"_s << u"0.05"_s << u"mousedown"_s << u"1"_s;
        for (QPoint p : moves) {
            chain << u"sleep"_s << u"0.04"_s << move(p);
        }
        if (!session_->xdotool(chain << u"sleep"_s << u"0.05"_s << u"mouseup"_s << u"1"_s)) {
            return {};
        }
        return session_->waitForScreen(
            [&](const QImage& s) { return sameRect(boundsOf(s, d.coloured, area), expected); });
    }

    std::unique_ptr<E2eSession> session_;
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
