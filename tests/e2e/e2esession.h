#pragma once
// One end-to-end session: a private X server, the real executable copied beside a data tree
// made for the test, and the outside tools that click and take screenshots. Everything the
// session starts ends with it, whichever check failed first.

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace cuaderno::e2e {

// The screen every session runs on, and the unit conversions the tests place clicks with.
constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
constexpr double twipsPerPixel = 15.0;
int pixels(double twips);
// The pixel rectangle a control of this twips geometry covers.
QRect pixelRect(double left, double top, double width, double height);

// The layout for that screen, from the layout rules: the button row (offset
// floor((W - 8805) / 2), top H - 1225), and a canvas of a picture's size centred above it.
constexpr double screenWidthTwips = screenWidth * twipsPerPixel;
constexpr double screenHeightTwips = screenHeight * twipsPerPixel;
constexpr double rowTop = screenHeightTwips - 1125 - 100;
double rowLeft();
struct RowButton {
    QString name; // anterior, siguiente, imprimir, cat1 ... cat10, puntero, pincel, salir
    QRect rect;
};
QList<RowButton> buttonRow();
QPoint buttonCentre(const QString& name);
QRect canvasRect(QSize pictureSize);
// The centre of the animation's rectangle beside a canvas of that picture's size.
QPoint animationCentre(QSize pictureSize);

// Channel-wise comparison; a small tolerance absorbs JPEG and print colour conversions.
bool near(QColor a, QColor b, int tolerance = 6);
// Bounding box of the pixels inside area that are near colour (empty when there are none).
QRect boundsOf(const QImage& image, QColor colour, QRect area, int tolerance = 6);

// GIF files written here (Qt can read GIF but not write it), so the program decodes real
// GIF data. Frames share one palette of at most 128 colours; more frames make an animation.
QByteArray gifData(const QList<QImage>& frames, int delayHundredths = 20);
// A 16-bit stereo PCM WAV file of a sine tone.
QByteArray wavTone(double frequency, double seconds, int rate = 44100);

class E2eSession {
public:
    E2eSession();
    ~E2eSession();
    E2eSession(const E2eSession&) = delete;
    E2eSession& operator=(const E2eSession&) = delete;

    // The reason a session cannot run here (a tool missing from PATH), or empty.
    static QString missingTools(const QStringList& programs);

    // The application folder: the data tree and, once started, the executable.
    QString root() const { return dir_.path(); }
    QString path(const QString& relative) const { return root() + u'/' + relative; }
    bool write(const QString& relative, const QByteArray& content);
    bool writeGif(const QString& relative, QSize size, QColor colour);
    // Any format Qt writes, chosen by the extension (jpg, ico, png).
    bool writePicture(const QString& relative, QSize size, QColor colour);

    // Starts the X server; false with the reason when it cannot.
    bool startX(QString& why);
    // Copies the executable into the application folder, starts it with extra settings and
    // waits until its window is on the screen.
    bool startProgram(const QProcessEnvironment& extra, QString& why);
    QProcess& program() { return *program_; }

    // A process that must not outlive the session (a sound or print server).
    QProcess* startHelper(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& environment, QString& why);
    // Runs to completion, with a deadline; its standard output, or nothing on failure.
    static std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                                         int timeoutMs = 10000,
                                         const QProcessEnvironment& environment = {});
    // Undo steps run when the session ends, last registered first, before helpers stop.
    void atEnd(std::function<void()> undo) { undo_.push_back(std::move(undo)); }

    // xdotool on the session's display: a command chain such as mousemove, click, sleep.
    bool xdotool(const QStringList& arguments);
    bool click(QPoint at);

    QImage screenshot();
    // Takes screenshots until condition holds or the deadline passes; the last one taken.
    QImage waitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs = 5000);
    // Keeps every screenshot under this name when CUADERNO_E2E_SHOTS names a folder.
    void keep(const QImage& shot, const QString& name) const;

    // What the program and the X server said, for a failing check's message.
    QString diagnostics() const;

private:
    QProcessEnvironment displayEnvironment() const;
    void stop(QProcess& process);

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> xserver_;
    std::unique_ptr<QProcess> program_;
    std::vector<std::unique_ptr<QProcess>> helpers_;
    std::vector<std::function<void()>> undo_;
    QString display_;
};

} // namespace cuaderno::e2e
