// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the signals that ask a program to end (SIGTERM at a logout or shutdown, SIGINT from a
// terminal, SIGHUP when it goes away) into a Qt signal on the GUI thread, so that the program
// ends the way it ends on its own. The handler only writes the signal's number to a pipe:
// nothing else is safe inside it. One at a time; its end puts back what it replaced.

#include <QObject>

#include <array>
#include <csignal>

class QSocketNotifier;

namespace cuaderno {

class QuitSignals final : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
    std::array<struct sigaction, 3> previous_{};
};

} // namespace cuaderno
