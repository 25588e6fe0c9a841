// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Benchmark-only: ends the process once a window's first frame has gone to the screen, and
// prints the process's peak resident memory ("VmHWM: ... kB") for the benchmark to read.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <cstdio>

namespace cuaderno::bench {

class QuitAfterFirstFrame final : public QObject {
public:
    // A window that never paints ends the run with exit code 3 instead of hanging.
    explicit QuitAfterFirstFrame(QObject* window) : window_(window)
    {
        window->installEventFilter(this);
        QTimer::singleShot(30000, qApp, [] { QCoreApplication::exit(3); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The paint event is delivered before the frame is flushed; a zero timer runs after.
        if (watched == window_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, qApp, [] {
                printPeakMemory();
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    // Read here rather than from wait4(): a spawned child's maximum resident size counts the
    // parent's memory it started from.
    static void printPeakMemory()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly)) {
            return;
        }
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("VmHWM:")) {
                std::fputs(line.constData(), stdout);
                std::fflush(stdout);
            }
        }
    }

    QObject* window_;
    bool seen_ = false;
};

} // namespace cuaderno::bench
