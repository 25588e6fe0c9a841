// SPDX-License-Identifier: GPL-3.0-or-later
#include "quitsignals.h"

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace cuaderno {

namespace {

constexpr std::array<int, 3> watched{SIGTERM, SIGINT, SIGHUP};
// The pipe's ends; -1 while no QuitSignals exists. Written by the handler only.
volatile sig_atomic_t writeEnd = -1;
int readEnd = -1;

extern "C" void onQuitSignal(int number)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request to quit: losing this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    int ends[2];
    if (readEnd != -1 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < watched.size(); ++i) {
        // A signal the book was started to ignore (a hang-up under nohup) stays ignored.
        if (::sigaction(watched[i], nullptr, &previous_[i]) == 0 &&
            previous_[i].sa_handler != SIG_IGN) {
            ::sigaction(watched[i], &action, nullptr);
        }
    }
}

QuitSignals::~QuitSignals()
{
    if (notifier_ == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < watched.size(); ++i) {
        ::sigaction(watched[i], &previous_[i], nullptr);
    }
    const int writing = writeEnd;
    writeEnd = -1; // a late signal finds no pipe rather than a closed or reused one
    ::close(writing);
    ::close(readEnd);
    readEnd = -1;
}

void QuitSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(readEnd, &byte, 1) == 1) {
        Q_EMIT received(byte);
    }
}

} // namespace cuaderno
