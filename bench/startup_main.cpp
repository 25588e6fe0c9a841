// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start-up as main.cpp does it, for the benchmark: it reads the data tree
// named on its command line and quits once the first frame is on the screen.

#include "app/form1.h"
#include "firstframe.h"
#include "gallery/gallery.h"
#include "gallery/gallerykeeper.h"
#include "platform/messagebox.h"
#include "platform/qtprinter.h"
#include "platform/qtsound.h"
#include "platform/screen.h"
#include "platform/startup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    cuaderno::prepareApplication(app);
    QApplication::setApplicationName(QStringLiteral("cuaderno"));
    const QString folder =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QApplication::applicationDirPath();

    cuaderno::QtScreen screen;
    cuaderno::QtSound sound;
    cuaderno::QtPrinter printer;
    cuaderno::QtMessageBox messages(nullptr, QStringLiteral("Cuaderno para colorear"));
    cuaderno::GalleryKeeper keeper(cuaderno::galleryFolder());
    cuaderno::Form1 window({screen, messages, sound, printer, keeper}, folder);
    messages.setParent(&window);

    window.setWindowFlag(Qt::FramelessWindowHint);
    window.Form_Load();
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        window.setGeometry(primary->geometry());
    }
    const cuaderno::bench::QuitAfterFirstFrame quit(&window);
    window.showFullScreen();
    return QApplication::exec();
}
