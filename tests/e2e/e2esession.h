// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One end-to-end session: a private X server, the real executable copied beside a data tree
// made for the test, and the outside tools that click and take screenshots. Everything the
// session starts ends with it, whichever check failed first.

#include "datatree.h"
#include "layout/screenlayout.h"
#include "skip.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace cuaderno::e2e {

// The screen every session runs on; clicks are placed from the layout rules for it.
constexpr int screenWidth = 800;
constexpr int screenHeight = 600;
const QColor background(37, 91, 163); // fondo.gif, written into every session's tree

struct RowButton {
    QString name; // anterior, siguiente, imprimir, cat1 ... cat10, puntero, pincel, salir
    QRect rect;
};
// The layout for that screen, which the program applies and the tests click by.
QList<RowButton> buttonRow();
QPoint buttonCentre(const QString& name);
// A canvas of a picture's size centred above the row, and the animation's centre beside it.
QRect canvasRect(QSize pictureSize);
QPoint animationCentre(QSize pictureSize);

// Channel-wise comparison; a small tolerance absorbs JPEG and print colour conversions.
bool near(QColor a, QColor b, int tolerance = 6);
// Bounding box of the pixels inside area that match, or are near colour (empty when none are).
QRect boundsOf(const QImage& image, QRect area, const std::function<bool(QColor)>& match);
QRect boundsOf(const QImage& image, QColor colour, QRect area, int tolerance = 6);

class E2eSession {
public:
    E2eSession();
    ~E2eSession();

    // Why a session cannot run here (one of these space-separated programs is missing), or empty.
    static QString missingTools(const QString& programs);

    // The application folder: the data tree and, once started, the executable.
    test::DataTree tree;
    QString path(const QString& relative) const { return tree.path(relative); }

    // Starts the X server, copies the executable into the application folder, starts it with
    // extra settings and waits until its window is on the screen; false with the reason.
    bool start(const QProcessEnvironment& extra, QString& why);
    QProcess& program() { return *program_; }

    // A server that must not outlive the session (sound, printing), started and waited for
    // until ready() holds; false with the reason when it does not get there in 15 seconds.
    bool startHelper(const QString& program, const QStringList& arguments,
                     const QProcessEnvironment& environment, const std::function<bool()>& ready,
                     QString& why);
    // Runs to completion, with a deadline; its standard output, or nothing on failure.
    static std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                                         int timeoutMs = 10000,
                                         const QProcessEnvironment& environment = {});

    // xdotool on the session's display: a command chain such as mousemove, click, sleep.
    bool xdotool(const QStringList& arguments);
    bool click(QPoint at);

    // Takes screenshots until condition holds or the deadline passes; the last one taken.
    QImage waitForScreen(const std::function<bool(const QImage&)>& condition, int timeoutMs = 5000);
    // What the program and the X server said, for a failing check's message.
    QString diagnostics() const;

private:
    QProcessEnvironment displayEnvironment() const;

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
