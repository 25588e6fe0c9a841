#include "e2esession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <csignal>
#include <numbers>

#include <sys/prctl.h>

#ifndef CUADERNO_EXECUTABLE
#error "CUADERNO_EXECUTABLE must name the built program"
#endif

namespace cuaderno::e2e {

namespace {

const QString windowTitle = QStringLiteral("^Cuaderno para colorear$");

void appendLe16(QByteArray& out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void appendLe32(QByteArray& out, quint32 value)
{
    appendLe16(out, int(value & 0xffff));
    appendLe16(out, int(value >> 16));
}

// A process the session starts ends with the test even when the test itself is killed.
std::unique_ptr<QProcess> ownedProcess()
{
    auto process = std::make_unique<QProcess>();
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    return process;
}

} // namespace

int pixels(double twips)
{
    return int(std::nearbyint(twips / twipsPerPixel));
}

QRect pixelRect(double left, double top, double width, double height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

double rowLeft()
{
    return std::floor((screenWidthTwips - (8280 + 1125 - 600)) / 2);
}

QList<RowButton> buttonRow()
{
    constexpr double large = 1125;
    constexpr double small = 495;
    const auto at = [](double offset, double down, double side) {
        return pixelRect(rowLeft() + offset, rowTop + down, side, side);
    };
    QList<RowButton> row = {
        {QStringLiteral("anterior"), at(0, 0, large)},
        {QStringLiteral("siguiente"), at(1175, 0, large)},
        {QStringLiteral("imprimir"), at(2350, 0, large)},
        {QStringLiteral("puntero"), at(6250, 0, large)},
        {QStringLiteral("pincel"), at(7425, 0, large)},
        {QStringLiteral("salir"), at(8600, 0, large)},
    };
    for (int k = 0; k < 10; ++k) {
        row.append(
            {QStringLiteral("cat%1").arg(k + 1), at(3525 + 545 * (k % 5), k < 5 ? 0 : 545, small)});
    }
    return row;
}

QPoint buttonCentre(const QString& name)
{
    for (const RowButton& b : buttonRow()) {
        if (b.name == name) {
            return b.rect.center();
        }
    }
    return {};
}

QRect canvasRect(QSize pictureSize)
{
    const double width = pictureSize.width() * twipsPerPixel;
    const double height = pictureSize.height() * twipsPerPixel;
    const double top = std::nearbyint((rowTop - height) / 2);
    return pixelRect((screenWidthTwips - width) / 2, top, width, height);
}

QPoint animationCentre(QSize pictureSize)
{
    const double width = pictureSize.width() * twipsPerPixel;
    const double height = pictureSize.height() * twipsPerPixel;
    const double top = std::nearbyint((rowTop - height) / 2);
    return pixelRect((screenWidthTwips + width) / 2 + 100, top, 975, 855).center();
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QRect boundsOf(const QImage& image, QColor colour, QRect area, int tolerance)
{
    QRect found;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (near(image.pixelColor(x, y), colour, tolerance)) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

QByteArray gifData(const QList<QImage>& frames, int delayHundredths)
{
    // Codes are 8 bits wide with a 7-bit alphabet; a clear code every 100 pixels keeps
    // the code table from growing, so no real compression is needed.
    constexpr int paletteSize = 128;
    constexpr int clearCode = 128;
    constexpr int endCode = 129;
    constexpr int run = 100;
    QList<QRgb> palette;
    QList<QByteArray> indices;
    for (const QImage& frame : frames) {
        QByteArray index;
        index.reserve(qsizetype(frame.width()) * frame.height());
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                const QRgb rgb = frame.pixel(x, y) & 0xffffff;
                qsizetype at = palette.indexOf(rgb);
                if (at < 0) {
                    if (palette.size() == paletteSize) {
                        return {};
                    }
                    palette.append(rgb);
                    at = palette.size() - 1;
                }
                index.append(char(at));
            }
        }
        indices.append(index);
    }
    if (frames.isEmpty()) {
        return {};
    }
    const QSize size = frames.first().size();
    QByteArray out("GIF89a");
    appendLe16(out, size.width());
    appendLe16(out, size.height());
    out.append(char(0xf6)); // global table of 2^(6+1) entries, 8-bit colour resolution
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < paletteSize; ++i) {
        const QRgb rgb = i < palette.size() ? palette[i] : 0;
        out.append(char(qRed(rgb)));
        out.append(char(qGreen(rgb)));
        out.append(char(qBlue(rgb)));
    }
    if (frames.size() > 1) {
        out.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    }
    for (const QByteArray& index : indices) {
        if (frames.size() > 1) {
            out.append("\x21\xf9\x04\x04", 4);
            appendLe16(out, delayHundredths);
            out.append("\x00\x00", 2);
        }
        out.append(char(0x2c));
        appendLe16(out, 0);
        appendLe16(out, 0);
        appendLe16(out, size.width());
        appendLe16(out, size.height());
        out.append(char(0));
        out.append(char(7));
        QByteArray codes;
        for (qsizetype i = 0; i < index.size(); ++i) {
            if (i % run == 0) {
                codes.append(char(clearCode));
            }
            codes.append(index[i]);
        }
        codes.append(char(endCode));
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out.append(char(block.size()));
            out.append(block);
        }
        out.append(char(0));
    }
    out.append(char(0x3b));
    return out;
}

QByteArray wavTone(double frequency, double seconds, int rate)
{
    const int frames = int(seconds * rate);
    const quint32 dataBytes = quint32(frames) * 4;
    QByteArray out("RIFF");
    appendLe32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    appendLe32(out, 16);
    appendLe16(out, 1); // PCM
    appendLe16(out, 2);
    appendLe32(out, quint32(rate));
    appendLe32(out, quint32(rate) * 4);
    appendLe16(out, 4);
    appendLe16(out, 16);
    out.append("data");
    appendLe32(out, dataBytes);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const int sample = int(12000.0 * std::sin(2.0 * std::numbers::pi * frequency * t));
        appendLe16(out, sample);
        appendLe16(out, sample);
    }
    return out;
}

E2eSession::E2eSession() = default;

E2eSession::~E2eSession()
{
    // The program first, then whatever was changed on helpers' behalf, then the helpers.
    if (program_) {
        stop(*program_);
    }
    while (!undo_.empty()) {
        undo_.back()();
        undo_.pop_back();
    }
    while (!helpers_.empty()) {
        stop(*helpers_.back());
        helpers_.pop_back();
    }
    if (xserver_) {
        stop(*xserver_);
    }
}

void E2eSession::stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

QString E2eSession::missingTools(const QStringList& programs)
{
    QStringList missing;
    for (const QString& name : programs) {
        if (QStandardPaths::findExecutable(name).isEmpty() &&
            QStandardPaths::findExecutable(name,
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                .isEmpty()) {
            missing.append(name);
        }
    }
    if (missing.isEmpty()) {
        return {};
    }
    return QStringLiteral("no se encuentra: ") + missing.join(QStringLiteral(", "));
}

bool E2eSession::write(const QString& relative, const QByteArray& content)
{
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).path());
    QFile file(target);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

bool E2eSession::writeGif(const QString& relative, QSize size, QColor colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return write(relative, gifData({picture}));
}

bool E2eSession::writePicture(const QString& relative, QSize size, QColor colour)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).path());
    QByteArray format = QFileInfo(target).suffix().toLower().toLatin1();
    QImageWriter writer(target, format == "jpg" ? QByteArray("jpeg") : format);
    writer.setQuality(100);
    return writer.write(picture);
}

bool E2eSession::startX(QString& why)
{
    if (!dir_.isValid()) {
        why = QStringLiteral("no se puede crear la carpeta temporal");
        return false;
    }
    // The server picks a free display and writes its number to standard output.
    xserver_ = ownedProcess();
    xserver_->start(
        QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
         QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(screenWidth).arg(screenHeight),
         QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!xserver_->waitForStarted(5000)) {
        why = QStringLiteral("Xvfb no arranca: ") + xserver_->errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!xserver_->canReadLine() && xserver_->state() == QProcess::Running &&
           !deadline.hasExpired()) {
        xserver_->waitForReadyRead(100);
    }
    const QByteArray number = xserver_->readLine().trimmed();
    if (number.isEmpty()) {
        why = QStringLiteral("Xvfb no ha dicho su pantalla: ") +
              QString::fromLocal8Bit(xserver_->readAllStandardError());
        return false;
    }
    display_ = u':' + QString::fromLatin1(number);
    return true;
}

QProcessEnvironment E2eSession::displayEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display_);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XAUTHORITY"));
    return environment;
}

bool E2eSession::startProgram(const QProcessEnvironment& extra, QString& why)
{
    const QString executable = path(QStringLiteral("cuaderno"));
    if (!QFile::copy(QStringLiteral(CUADERNO_EXECUTABLE), executable)) {
        why = QStringLiteral("no se puede copiar " CUADERNO_EXECUTABLE);
        return false;
    }
    QProcessEnvironment environment = displayEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // No sound server unless the test brings its own: nothing outside the session is touched.
    environment.insert(QStringLiteral("PULSE_SERVER"), path(QStringLiteral("no-sound-server")));
    // libxkbcommon-x11 hands strndup names without a terminator: strict string checks would
    // stop a sanitized program in the keyboard set-up, before any of its own code runs.
    if (environment.contains(QStringLiteral("ASAN_OPTIONS"))) {
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
                           environment.value(QStringLiteral("ASAN_OPTIONS")) +
                               QStringLiteral(":strict_string_checks=0"));
    }
    environment.insert(extra);
    program_ = ownedProcess();
    program_->setProcessEnvironment(environment);
    program_->setWorkingDirectory(root());
    program_->start(executable, {});
    if (!program_->waitForStarted(5000)) {
        why = QStringLiteral("el programa no arranca: ") + program_->errorString();
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && program_->state() == QProcess::Running) {
        const auto found = run(QStringLiteral("xdotool"),
                               {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                QStringLiteral("--name"), windowTitle},
                               5000, displayEnvironment());
        if (found && !found->trimmed().isEmpty()) {
            return true;
        }
        QTest::qWait(50);
    }
    why = QStringLiteral("la ventana no aparece\n") + diagnostics();
    return false;
}

QProcess* E2eSession::startHelper(const QString& program, const QStringList& arguments,
                                  const QProcessEnvironment& environment, QString& why)
{
    auto process = ownedProcess();
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    if (!process->waitForStarted(5000)) {
        why = program + QStringLiteral(" no arranca: ") + process->errorString();
        return nullptr;
    }
    helpers_.push_back(std::move(process));
    return helpers_.back().get();
}

std::optional<QByteArray> E2eSession::run(const QString& program, const QStringList& arguments,
                                          int timeoutMs, const QProcessEnvironment& environment)
{
    QProcess process;
    if (!environment.isEmpty()) {
        process.setProcessEnvironment(environment);
    }
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

bool E2eSession::xdotool(const QStringList& arguments)
{
    return run(QStringLiteral("xdotool"), arguments, 20000, displayEnvironment()).has_value();
}

bool E2eSession::click(QPoint at)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
}

QImage E2eSession::screenshot()
{
    const auto png =
        run(QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, 10000,
            displayEnvironment());
    if (!png) {
        return {};
    }
    return QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32);
}

QImage E2eSession::waitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QImage shot;
    do {
        shot = screenshot();
        if (!shot.isNull() && condition(shot)) {
            break;
        }
        QTest::qWait(30);
    } while (!deadline.hasExpired());
    return shot;
}

void E2eSession::keep(const QImage& shot, const QString& name) const
{
    const QString folder = qEnvironmentVariable("CUADERNO_E2E_SHOTS");
    if (!folder.isEmpty() && QDir().mkpath(folder)) {
        shot.save(folder + u'/' + name + QStringLiteral(".png"));
    }
}

QString E2eSession::diagnostics() const
{
    QString text;
    if (program_) {
        text += QStringLiteral("programa: ") +
                QString::fromLocal8Bit(program_->readAllStandardError()).right(2000);
    }
    if (xserver_) {
        text += QStringLiteral("\nXvfb: ") +
                QString::fromLocal8Bit(xserver_->readAllStandardError()).right(1000);
    }
    return text;
}

} // namespace cuaderno::e2e
