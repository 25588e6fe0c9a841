// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, copied beside a data tree made for the test, in a private X server with a
// window manager (openbox): clicked with xdotool and judged from screenshots, every position from
// the layout rules for an 800 × 600 screen. Printing goes to a private CUPS scheduler whose one
// printer keeps each job as a PDF in the test's folder; the page-turn sounds go to a private
// PulseAudio server whose silent sink the test records. The machine's own servers are never asked
// or changed, and every process a test starts ends with it, whichever check failed first.

#include "datatree.h"
#include "layout/screenlayout.h"
#include "skip.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <sndfile.h>

#include <cmath>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace cuaderno;

namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
constexpr double twipsPerPixel = 15.0;
const ScreenLayout layout =
    layoutScreen(screenWidth * twipsPerPixel, (screenHeight * twipsPerPixel), {});

const QColor background(37, 91, 163); // fondo.gif
const QColor brushColours[] = {QColor(200, 0, 200), QColor(0, 170, 60)};
const QSize brushSizes[] = {QSize(10, 10), QSize(30, 20)};
const QColor animationColours[] = {QColor(255, 140, 0), QColor(140, 0, 255)};
constexpr int rate = 44100;
constexpr double nextTone = 440.0;
constexpr double previousTone = 1320.0;

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

QRect pixels(const QRectF& twips)
{
    const auto px = [](qreal t) { return int(std::nearbyint(t / twipsPerPixel)); };
    return QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height()));
}

// Each button's place on the screen, by name.
const QMap<QString, QRect> buttons = [] {
    const auto at = [](const TwipsRect& r) { return pixels({r.left, r.top, r.width, r.height}); };
    QMap<QString, QRect> row{
        {u"anterior"_s, at(layout.previousButton)}, {u"siguiente"_s, at(layout.nextButton)},
        {u"imprimir"_s, at(layout.printButton)},    {u"puntero"_s, at(layout.pointerButton)},
        {u"pincel"_s, at(layout.brushButton)},      {u"salir"_s, at(layout.quitButton)},
    };
    for (std::size_t k = 0; k < layout.categoryButtons.size(); ++k) {
        row.insert(u"cat%1"_s.arg(k + 1), at(layout.categoryButtons[k]));
    }
    return row;
}();

// The colour each button's face leaves showing round its picture.
QColor faceColour(const QString& button)
{
    return button.startsWith(u"cat"_s)                         ? QColor(0, 255, 0)
           : button == u"imprimir"_s || button == u"puntero"_s ? QColor(255, 255, 0)
                                                               : QColor(255, 255, 255);
}

// The canvas a page turn lays out for a picture of this size, centred above the row.
QRectF canvasTwips(QSize picture)
{
    const QSizeF size = QSizeF(picture) * twipsPerPixel;
    return {(screenWidth * twipsPerPixel - size.width()) / 2,
            fitCanvas(layout.previousButton.top, float(size.height())).top, size.width(),
            size.height()};
}

QPoint animationCentre(QSize picture)
{
    const QRectF c = canvasTwips(picture);
    const AnimationPlace place = placeAnimation(float(c.left()), float(c.top()), float(c.width()));
    return pixels({place.left, place.top, 975, 855}).center();
}

// Channel-wise comparison; a small tolerance absorbs JPEG and print colour conversions.
bool near(QColor a, QColor b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Bounding box of the pixels inside area that match (empty when none do).
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

// Bounds of everything that is not the background inside area.
QRect foreground(const QImage& shot, QRect area)
{
    return boundsOf(shot, area, [](QColor c) { return !near(c, background); });
}

// What a drag coloured within 19 pixels of p.
QRect stamp(const QImage& shot, const Drawing& d, QPoint p)
{
    return boundsOf(shot, d.coloured, QRect(p - QPoint(19, 19), QSize(39, 39)));
}

QRect brushAt(QPoint p, QSize brush)
{
    return QRect(p - QPoint(brush.width() / 2, brush.height() / 2), brush);
}

bool sameRect(QRect a, QRect b)
{
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1 &&
           std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

#define VERIFY_RECT(found, expected)                                                               \
    QVERIFY2(sameRect(found, expected),                                                            \
             qPrintable(QDebug::toString(found) + u" != "_s + QDebug::toString(expected)))

struct Heard {
    double seconds = 0;   // how long it sounded
    double rms = 0;       // its level
    double frequency = 0; // from the zero crossings
    bool ended = false;   // a tenth of a second of silence followed it
};

// The first sound in the samples, up to the first 100 ms of silence after it.
Heard firstSound(const std::vector<qint16>& samples)
{
    const auto loud = [&](std::size_t i) { return std::abs(int(samples[i])) > 200; };
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

// The samples of a raw 16-bit mono recording from sample number from on.
std::vector<qint16> recorded(const QString& path, std::size_t from = 0)
{
    QFile file(path);
    const QByteArray raw = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    std::vector<qint16> samples;
    for (qsizetype i = 2 * qsizetype(from); i + 2 <= raw.size(); i += 2) {
        samples.push_back(qFromLittleEndian<qint16>(raw.constData() + i));
    }
    return samples;
}

// The print queue's device: keeps each job, as the program sent it (a PDF), in the folder its
// address names, renamed once whole. Owner-only, so that a scheduler running as root runs it as
// root too.
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

// Why a test cannot run here (one of these space-separated programs is missing), or empty.
QString missingTools(const QString& programs)
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

#define E2E_REQUIRE(programs)                                                                      \
    if (const QString why = missingTools(programs); !why.isEmpty())                                \
    CUADERNO_SKIP(qPrintable(why))

void stop(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
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

// Runs to completion, with a deadline; its standard output, or nothing on failure.
std::optional<QByteArray>
run(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
    int timeoutMs = 10000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0) {
        return process.readAllStandardOutput();
    }
    stop(process);
    return std::nullopt;
}

bool fail(const QString& why)
{
    qWarning().noquote() << why;
    return false;
}

} // namespace

class TestE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        E2E_REQUIRE(u"Xvfb openbox xprop xdotool import"_s);
        tree_ = std::make_unique<test::DataTree>();
        test::DataTree& tree = *tree_;
        tree.picture(u"fondo.gif"_s, {16, 16}, background);
        tree.folder(u"home"_s);
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

    void cleanup()
    {
        // The last started first: the program, then the servers it used.
        for (; !processes_.empty(); processes_.pop_back()) {
            stop(*processes_.back());
        }
        tree_.reset();
    }

    void startupScreen()
    {
        QVERIFY(launch());
        const QRect title = pixels(canvasTwips({679, 440})); // as laid out at start-up
        const int rowY = buttons.value(u"anterior"_s).top() - 2;
        const QRect aboveRow(0, 0, screenWidth, rowY);
        const QRect rowArea(0, rowY, screenWidth, screenHeight);
        const QRect rowBounds = buttons.value(u"anterior"_s) | buttons.value(u"salir"_s);
        const QImage shot = waitForScreen([&](const QImage& s) {
            return sameRect(foreground(s, aboveRow), title) &&
                   sameRect(foreground(s, rowArea), rowBounds);
        });

        // The title picture alone above the row, centred over it; no animation yet. Along the
        // bottom, the row from the previous button to the quit button and nothing else.
        VERIFY_RECT(foreground(shot, aboveRow), title);
        VERIFY_RECT(foreground(shot, rowArea), rowBounds);
        for (const auto [name, rect] : buttons.asKeyValueRange()) {
            for (QPoint p : {rect.topLeft() + QPoint(2, 2), rect.bottomRight() - QPoint(2, 2)}) {
                QVERIFY2(near(shot.pixelColor(p), faceColour(name)), qPrintable(name));
            }
        }
        // The brush button's face shows brush picture 1.
        QVERIFY(near(shot.pixelColor(buttons.value(u"pincel"_s).center()), brushColours[0]));
    }

    void pageTurning()
    {
        QVERIFY(launch());
        // Previous starts at the last drawing, next wraps past it, a category opens at 1.
        const QStringList pressed{u"anterior"_s, u"siguiente"_s, u"cat2"_s, u"siguiente"_s};
        const int shown[] = {1, 0, 2, 3}; // drawings 1:2, 1:1, 2:1, 2:2
        for (qsizetype i = 0; i < pressed.size(); ++i) {
            const Drawing& d = drawings[shown[i]];
            QVERIFY(press(pressed[i]));
            const QImage shot = waitForDrawing(d, int(i) + 1);
            const QRect canvas = pixels(canvasTwips(d.size));
            VERIFY_RECT(boundsOf(shot, d.uncoloured, canvas.adjusted(-20, -20, 20, 20)), canvas);
            // The uncoloured layer covers the whole drawing: none of its colours shows yet.
            QVERIFY(boundsOf(shot, d.coloured, canvas).isEmpty());
            QVERIFY2(near(shot.pixelColor(animationCentre(d.size)), animationColours[i % 2]),
                     qPrintable(pressed[i]));
        }
    }

    void colouring_data()
    {
        QTest::addColumn<QString>("way"); // how the book is ended: its button, a key, a signal
        QTest::addColumn<int>("signal");
        for (const auto& [way, signal] :
             {std::pair("salir", 0), std::pair("alt+F4", 0), std::pair("SIGTERM", SIGTERM),
              std::pair("SIGINT", SIGINT), std::pair("SIGHUP", SIGHUP)}) {
            QTest::newRow(way) << QString::fromLatin1(way) << signal;
        }
    }

    void colouring()
    {
        QFETCH(QString, way);
        QFETCH(int, signal);
        QVERIFY(launch());
        const Drawing& d = drawings[0];
        QVERIFY(press(u"siguiente"_s));
        waitForDrawing(d, 1);
        const QRect canvas = pixels(canvasTwips(d.size));
        const QPoint face = buttons.value(u"pincel"_s).center();
        const auto moveTo = [](QPoint p) {
            return QStringList{u"mousemove"_s, QString::number(p.x()), QString::number(p.y())};
        };
        QRect coloured;
        // Moves 40 pixels apart, held down, colour one band without a gap from the first move to
        // the last, the brush stamped along the way; the press itself, before any move, colours
        // nothing. The brush button brings the second brush and shows it on its face. Each move
        // waits for the one before to be painted, so that a busy X server cannot merge them.
        for (int brush = 0; brush < 2; ++brush) {
            const auto faceShows = [&](const QImage& s) {
                return near(s.pixelColor(face), brushColours[brush]);
            };
            QVERIFY(brush == 0 || (press(u"pincel"_s) && faceShows(waitForScreen(faceShows))));
            const QPoint pressAt(canvas.left() + 30, canvas.top() + 50 + 90 * brush);
            QVERIFY(xdotool(moveTo(pressAt) << u"mousedown"_s << u"1"_s));
            const QRect first = brushAt(pressAt + QPoint(40, 0), brushSizes[brush]);
            QImage shot;
            QRect band;
            for (int dx = 40; dx <= 200; dx += 40) {
                const QRect brushed = brushAt(pressAt + QPoint(dx, 0), brushSizes[brush]);
                band = first | brushed;
                QVERIFY(xdotool(moveTo(brushed.center())));
                shot = waitForScreen([&](const QImage& s) {
                    return sameRect(boundsOf(s, d.coloured, band.adjusted(-19, -19, 19, 19)), band);
                });
            }
            coloured |= band;
            QVERIFY(xdotool({u"mouseup"_s, u"1"_s}));
            QVERIFY(stamp(shot, d, pressAt).isEmpty());
            const QRect middle(band.left() + 1, pressAt.y(), band.width() - 2, 1);
            QVERIFY(
                boundsOf(shot, middle, [&](QColor c) { return !near(c, d.coloured); }).isEmpty());
        }
        // However the book is ended, it ends with success and keeps the page as shown, once.
        // The window manager takes Alt+F4 and asks the window to close.
        QVERIFY(signal ? ::kill(pid_t(program_->processId()), signal) == 0
                       : (buttons.contains(way) ? press(way) : xdotool({u"key"_s, way})));
        QVERIFY2(program_->waitForFinished(10000), qPrintable(diagnostics()));
        QCOMPARE(std::pair(program_->exitStatus(), program_->exitCode()),
                 std::pair(QProcess::NormalExit, 0));
        const auto kept = QDir(path(u"home/Pictures/Cuaderno"_s)).entryInfoList({u"*.png"_s});
        QCOMPARE(kept.size(), qsizetype(1));
        const QImage page = QImage(kept[0].filePath()).convertToFormat(QImage::Format_RGB32);
        VERIFY_RECT(boundsOf(page, d.coloured, page.rect()),
                    coloured.translated(-canvas.topLeft()));
    }

    void printButtonPrintsOnePage()
    {
        E2E_REQUIRE(u"cupsd pdftoppm"_s);
        const auto printServer = startPrintServer(path(u"cups"_s));
        if (!printServer) {
            QFAIL(qPrintable(u"cupsd no arranca\n"_s + diagnostics()));
        }
        QVERIFY(launch(*printServer));

        // Next shows the drawing uncoloured; the print button prints its coloured version.
        const Drawing& d = drawings[0];
        QVERIFY(press(u"siguiente"_s));
        waitForDrawing(d, 1);
        QVERIFY(press(u"imprimir"_s));
        QStringList printed;
        for (const QDeadlineTimer deadline(45000); printed.isEmpty() && !deadline.hasExpired();
             QTest::qWait(200)) {
            printed = QDir(path(u"cups/out"_s)).entryList({u"*.pdf"_s});
        }
        QVERIFY2(printed.size() == 1, qPrintable(printed.join(u' ') + diagnostics()));

        // One page, holding the whole coloured drawing at the canvas's size: 300 × 200 pixels
        // are 4500 × 3000 twips, 3.125 × 2.083 inches, so 150 × 100 dots at 48 dpi.
        QVERIFY(run(u"pdftoppm"_s, {u"-r"_s, u"48"_s, u"-png"_s, path(u"cups/out/"_s + printed[0]),
                                    path(u"page"_s)}));
        QCOMPARE(QDir(tree_->root()).entryList({u"page*"_s}), QStringList{u"page-1.png"_s});
        const QImage page = QImage(path(u"page-1.png"_s)).convertToFormat(QImage::Format_RGB32);
        const QRect drawing = boundsOf(page, d.coloured, page.rect(), 40);
        QVERIFY2(std::abs(drawing.width() - 150) <= 3 && std::abs(drawing.height() - 100) <= 3,
                 qPrintable(QDebug::toString(drawing)));
        QVERIFY(boundsOf(page, d.uncoloured, page.rect(), 12).isEmpty());
    }

    void pageTurnSounds()
    {
        E2E_REQUIRE(u"pulseaudio parec"_s);
        const QString socket = path(u"native"_s);
        const QString recording = path(u"heard.raw"_s);
        // The server's files stay in the suite's own private folders; it loads only its socket
        // and a silent sink, which the test records. The program finds it by its socket.
        QProcessEnvironment sound = QProcessEnvironment::systemEnvironment();
        sound.remove(u"DISPLAY"_s);
        QProcessEnvironment extra;
        extra.insert(u"PULSE_SERVER"_s, u"unix:"_s + socket);
        // A sink without rewinds: what it played is what the recording holds, sample for sample.
        const QStringList server =
            u"-n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=no --log-target=stderr"_s
                .split(u' ')
            << u"-L"_s
            << u"module-null-sink sink_name=heard norewinds=1 format=s16le rate=%1 channels=1"_s
                   .arg(rate)
            << u"-L"_s << u"module-native-protocol-unix socket=%1 auth-anonymous=1"_s.arg(socket);
        const QStringList recorder =
            u"--device=heard.monitor --raw --format=s16le --rate=%1 --channels=1 --latency-msec=20"_s
                .arg(rate)
                .split(u' ')
            << u"--server=unix:"_s + socket << recording;
        if (!startHelper(u"pulseaudio"_s, server, sound, [&] { return QFile::exists(socket); }) ||
            !startHelper(u"parec"_s, recorder, sound,
                         [&] { return !recorded(recording).empty(); })) {
            QFAIL(qPrintable(u"el servidor de sonido no arranca\n"_s + diagnostics()));
        }

        std::size_t from = recorded(recording).size();
        QVERIFY(launch(extra));

        // Each turn sounds at a clear level, each with its own file: next the low tone, previous
        // the high one; and whole: the recording holds every sample, so 0.4 s less a few. The
        // first sound heard after the launch is the first turn's: start-up plays nothing.
        for (auto [button, tone] :
             {std::pair(u"siguiente"_s, nextTone), std::pair(u"anterior"_s, previousTone)}) {
            QVERIFY(press(button));
            Heard h;
            for (const QDeadlineTimer deadline(8000);
                 !(h = firstSound(recorded(recording, from))).ended && !deadline.hasExpired();) {
                QTest::qWait(50);
            }
            const QString heard =
                u" %1 s, %2 Hz, nivel %3\n"_s.arg(h.seconds).arg(h.frequency).arg(h.rms);
            QVERIFY2(h.rms > 2000 && h.seconds > 0.39 && h.seconds < 0.5 &&
                         std::abs(h.frequency - tone) < tone / 20,
                     qPrintable(button + heard + diagnostics()));
            from = recorded(recording).size();
        }
    }

private:
    QString path(const QString& relative) const { return tree_->path(relative); }

    // Started so that it ends with the test, even when the test itself is killed.
    QProcess& spawn(const QProcessEnvironment& environment)
    {
        QProcess& process = *processes_.emplace_back(std::make_unique<QProcess>());
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.setProcessEnvironment(environment);
        return process;
    }

    // Starts a private X server, a window manager and the program in it, with extra settings;
    // whether its window came on the screen.
    bool launch(const QProcessEnvironment& extra = {})
    {
        // The server picks a free display and writes its number to standard output.
        QProcess& xserver = spawn(QProcessEnvironment::systemEnvironment());
        xserver.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                  u"%1x%2x24"_s.arg(screenWidth).arg(screenHeight), u"-nolisten"_s,
                                  u"tcp"_s, u"-noreset"_s});
        waitFor(xserver, 10000, [&] { return xserver.canReadLine(); });
        display_ = QProcessEnvironment::systemEnvironment();
        display_.insert(u"DISPLAY"_s, u':' + QString::fromLatin1(xserver.readLine().trimmed()));
        display_.remove(u"WAYLAND_DISPLAY"_s);
        display_.remove(u"XAUTHORITY"_s);
        const QString executable = path(u"cuaderno"_s);
        if (display_.value(u"DISPLAY"_s) == u":"_s ||
            !QFile::copy(QStringLiteral(CUADERNO_EXECUTABLE), executable)) {
            return fail(u"sin pantalla o sin " CUADERNO_EXECUTABLE "\n"_s + diagnostics());
        }
        if (!startHelper(u"openbox"_s, {u"--sm-disable"_s}, display_, [&] {
                return run(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s}, display_)
                    .value_or(QByteArray())
                    .contains("window id");
            })) {
            return fail(u"openbox no arranca\n"_s + diagnostics());
        }
        QProcessEnvironment environment = display_;
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        // The pictures the program keeps go to the test's folder (the rest of the user's folders,
        // and the servers, are the suite's own private ones).
        environment.insert(u"HOME"_s, path(u"home"_s));
        // libxkbcommon-x11 hands strndup names without a terminator: strict string checks would
        // stop a sanitized program in the keyboard set-up, before any of its own code runs.
        if (environment.contains(u"ASAN_OPTIONS"_s)) {
            environment.insert(u"ASAN_OPTIONS"_s,
                               environment.value(u"ASAN_OPTIONS"_s) + u":strict_string_checks=0"_s);
        }
        environment.insert(extra);
        program_ = &spawn(environment);
        program_->setWorkingDirectory(tree_->root());
        program_->start(executable, {});
        // xdotool waits for the window to show.
        const QStringList search =
            u"search --sync --onlyvisible --name ^Cuaderno.para.colorear$"_s.split(u' ');
        return run(u"xdotool"_s, search, display_, 20000) ||
               fail(u"la ventana no aparece\n"_s + diagnostics());
    }

    // A server the test needs (sound, printing), started and waited for until ready() holds.
    bool startHelper(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment, const std::function<bool()>& ready)
    {
        QProcess& process = spawn(environment);
        process.start(program, arguments);
        return waitFor(process, 15000, ready);
    }

    // Writes a CUPS scheduler's configuration, with every file and folder it uses inside root,
    // and starts it; the settings that lead CUPS clients to it alone, or nothing.
    std::optional<QProcessEnvironment> startPrintServer(const QString& root)
    {
        const QDir dir(root);
        for (const char* folder :
             {"conf/ppd", "spool/tmp", "cache", "state", "log", "ssl", "out", "bin/backend"}) {
            dir.mkpath(QString::fromLatin1(folder));
        }
        // The scheduler's helper programs are the machine's, except for the one device.
        for (const char* folder :
             {"filter", "daemon", "cgi-bin", "monitor", "notifier", "driver"}) {
            QFile::link(u"/usr/lib/cups/"_s + QLatin1String(folder),
                        dir.filePath(u"bin/"_s + QLatin1String(folder)));
        }
        const QString socket = dir.filePath(u"cups.sock"_s);
        // Every path the scheduler writes to is under root (@ in these files).
        const std::pair<const char*, QByteArray> files[] = {
            {"conf/cups-files.conf",
             "ServerRoot @/conf\nServerBin @/bin\nRequestRoot @/spool\nTempDir @/spool/tmp\n"
             "CacheDir @/cache\nStateDir @/state\nServerKeychain @/ssl\nPrintcap @/printcap\n"
             "CreateSelfSignedCerts No\nAccessLog @/log/access_log\nErrorLog stderr\n"
             "PageLog @/log/page_log\nFileDevice No\n"},
            {"conf/cupsd.conf",
             "Listen @/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"},
            {"conf/printers.conf",
             "<DefaultPrinter cuaderno-e2e>\nDeviceURI pdfout:@/out\nState Idle\n"
             "Accepting Yes\nShared No\n</DefaultPrinter>\n"},
            {"conf/ppd/cuaderno-e2e.ppd", ppd},
            {"bin/backend/pdfout", backend}};
        for (auto [name, content] : files) {
            QFile file(dir.filePath(QLatin1String(name)));
            content.replace('@', QFile::encodeName(root));
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
                !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
                return std::nullopt;
            }
        }
        QProcessEnvironment client;
        client.insert(u"CUPS_SERVER"_s, socket);
        // The user's own choice of printer does not apply (the client's settings are the suite's).
        client.insert(u"PRINTER"_s, {});
        client.insert(u"LPDEST"_s, {});
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(client);
        environment.insert(u"LC_ALL"_s, u"C"_s);
        // The scheduler listens once it has read its configuration, printers included.
        const QStringList arguments{u"-f"_s, u"-c"_s, dir.filePath(u"conf/cupsd.conf"_s), u"-s"_s,
                                    dir.filePath(u"conf/cups-files.conf"_s)};
        return startHelper(u"cupsd"_s, arguments, environment,
                           [&] { return QFile::exists(socket); })
                   ? std::optional(client)
                   : std::nullopt;
    }

    // What every process of the test said, for a failing check's message.
    QString diagnostics() const
    {
        QString said;
        for (const auto& p : processes_) {
            said += p->program() + u": "_s +
                    QString::fromLocal8Bit(p->readAllStandardError().right(2000)) + u'\n';
        }
        return said;
    }

    bool xdotool(const QStringList& chain)
    {
        return run(u"xdotool"_s, chain, display_, 20000).has_value();
    }

    bool press(const QString& button)
    {
        const QPoint at = buttons.value(button).center();
        return xdotool(
            {u"mousemove"_s, QString::number(at.x()), QString::number(at.y()), u"click"_s, u"1"_s});
    }

    // Takes screenshots until condition holds or the deadline passes; the last one taken.
    QImage waitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs = 5000)
    {
        for (const QDeadlineTimer deadline(timeoutMs);; QTest::qWait(30)) {
            const auto png = run(u"import"_s, {u"-window"_s, u"root"_s, u"png:-"_s}, display_);
            const QImage shot = QImage::fromData(png.value_or(QByteArray()), "PNG")
                                    .convertToFormat(QImage::Format_RGB32);
            if ((!shot.isNull() && condition(shot)) || deadline.hasExpired()) {
                return shot;
            }
        }
    }

    // Waits until the canvas shows the drawing's uncoloured layer, fitted where it belongs,
    // beside the animation the page turns so far have brought.
    QImage waitForDrawing(const Drawing& d, int pageTurns)
    {
        const QRect canvas = pixels(canvasTwips(d.size));
        const QColor animation = animationColours[(pageTurns - 1) % 2];
        return waitForScreen([&](const QImage& shot) {
            return sameRect(boundsOf(shot, d.uncoloured, canvas.adjusted(-20, -20, 20, 20)),
                            canvas) &&
                   near(shot.pixelColor(animationCentre(d.size)), animation);
        });
    }

    std::unique_ptr<test::DataTree> tree_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QProcess* program_ = nullptr;
    QProcessEnvironment display_; // the environment of a client of the test's X server
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
