// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2esession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <csignal>

#include <sys/prctl.h>

#ifndef CUADERNO_EXECUTABLE
#error "CUADERNO_EXECUTABLE must name the built program"
#endif

namespace cuaderno::e2e {

using namespace Qt::StringLiterals;

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

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

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

QRect boundsOf(const QImage& image, QColor colour, QRect area, int tolerance)
{
    return boundsOf(image, area, [&](QColor c) { return near(c, colour, tolerance); });
}

E2eSession::E2eSession()
{
    tree.picture(u"fondo.gif"_s, {16, 16}, background);
}

E2eSession::~E2eSession()
{
    // The program first, then the servers it used.
    stop(program_.get());
    for (; !helpers_.empty(); helpers_.pop_back()) {
        stop(helpers_.back().get());
    }
    stop(xserver_.get());
}

QString E2eSession::missingTools(const QString& programs)
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

QProcessEnvironment E2eSession::displayEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, display_);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.remove(u"XAUTHORITY"_s);
    return environment;
}

bool E2eSession::start(const QProcessEnvironment& extra, QString& why)
{
    // The server picks a free display and writes its number to standard output.
    xserver_ = ownedProcess();
    xserver_->start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                u"%1x%2x24"_s.arg(screenWidth).arg(screenHeight), u"-nolisten"_s,
                                u"tcp"_s, u"-noreset"_s});
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

bool E2eSession::startHelper(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment,
                             const std::function<bool()>& ready, QString& why)
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

std::optional<QByteArray> E2eSession::run(const QString& program, const QStringList& arguments,
                                          int timeoutMs, const QProcessEnvironment& environment)
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

bool E2eSession::xdotool(const QStringList& arguments)
{
    return run(u"xdotool"_s, arguments, 20000, displayEnvironment()).has_value();
}

bool E2eSession::click(QPoint at)
{
    return xdotool(
        {u"mousemove"_s, QString::number(at.x()), QString::number(at.y()), u"click"_s, u"1"_s});
}

QImage E2eSession::waitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QImage shot;
    do {
        const auto png =
            run(u"import"_s, {u"-window"_s, u"root"_s, u"png:-"_s}, 10000, displayEnvironment());
        shot = png ? QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32) : QImage();
        if (!shot.isNull() && condition(shot)) {
            break;
        }
        QTest::qWait(30);
    } while (!deadline.hasExpired());
    return shot;
}

QString E2eSession::diagnostics() const
{
    const auto said = [](const std::unique_ptr<QProcess>& p) {
        return p ? QString::fromLocal8Bit(p->readAllStandardError()).right(2000) : QString();
    };
    return u"programa: "_s + said(program_) + u"\nXvfb: "_s + said(xserver_);
}

} // namespace cuaderno::e2e
