// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own start-up, for the benchmark: it reads the data tree named on its command
// line and quits once the first frame is on the screen.

#include "cuaderno/book.h"
#include "firstframe.h"
#include "platform/startup.h"

#include <QApplication>
#include <QWidget>

#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    cuaderno::prepareApplication(app);
    QApplication::setApplicationName(QStringLiteral("cuaderno"));
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QApplication::applicationDirPath();
    std::unique_ptr<cuaderno::bench::QuitAfterFirstFrame> quit;
    return cuaderno::runBook(folder, [&quit](QWidget& window) {
        quit = std::make_unique<cuaderno::bench::QuitAfterFirstFrame>(&window);
    });
}
