// Starts the colouring book full screen on the data tree beside the executable.

#include "app/form1.h"
#include "platform/messagebox.h"
#include "platform/qtprinter.h"
#include "platform/qtsound.h"
#include "platform/screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Without a display Qt would abort with a terse message; say what to do instead.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fputs("cuaderno necesita una pantalla gráfica y no encuentra ninguna.\n"
                   "Arránquelo desde el escritorio o, sin pantalla, con:  xvfb-run -s "
                   "'-screen 0 1024x768x24' ./cuaderno\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cuaderno"));

    cuaderno::QtScreen screen;
    cuaderno::QtSound sound;
    cuaderno::QtPrinter printer;
    cuaderno::QtMessageBox messages(nullptr, QStringLiteral("Cuaderno para colorear"));
    cuaderno::Form1 window({screen, messages, sound, printer}, QApplication::applicationDirPath());
    messages.setParent(&window);

    window.setWindowFlag(Qt::FramelessWindowHint);
    window.Form_Load();
    // A session without a window manager ignores full screen alone: cover the screen too.
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        window.setGeometry(primary->geometry());
    }
    window.showFullScreen();
    return QApplication::exec();
}
