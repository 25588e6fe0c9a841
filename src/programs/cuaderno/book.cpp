// SPDX-License-Identifier: GPL-3.0-or-later
#include "book.h"

#include "app/bookwindow.h"
#include "gallery/gallery.h"
#include "gallery/gallerykeeper.h"
#include "platform/messagebox.h"
#include "platform/qtprinter.h"
#include "platform/qtsound.h"
#include "platform/quitsignals.h"
#include "platform/screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace cuaderno {

int runBook(const QString& folder, const std::function<void(QWidget&)>& beforeShow)
{
    QtScreen screen;
    QtSound sound;
    QtPrinter printer;
    QtMessageBox messages(nullptr, QStringLiteral("Cuaderno para colorear"));
    // Outlives the keeper: a signal while the last pages are written does not cut them short.
    QuitSignals quitSignals;
    // Declared before the window, so that a page handed in at quit is written before the
    // program ends.
    GalleryKeeper keeper(galleryFolder());
    BookWindow window({screen, messages, sound, printer, keeper}, folder);
    messages.setParent(&window);
    // A logout, a shutdown or a terminal ends the book as its own quit button does.
    QObject::connect(&quitSignals, &QuitSignals::received, &window, &QWidget::close);

    window.setWindowFlag(Qt::FramelessWindowHint);
    window.prepare();
    // A session without a window manager ignores full screen alone: cover the screen too.
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        window.setGeometry(primary->geometry());
    }
    if (beforeShow) {
        beforeShow(window);
    }
    window.showFullScreen();
    return QApplication::exec();
}

} // namespace cuaderno
