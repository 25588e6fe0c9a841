// SPDX-License-Identifier: GPL-3.0-or-later
// The parents' and teachers' window on the library the family's book uses. Pictures named on
// the command line are opened for adding, as a file manager's "Open with" does; --carpeta DIR
// names another library, as for the book.

#include "gallery/gallery.h"
#include "gallerypage/gallerypage.h"
#include "parents/familylibrary.h"
#include "parents/importpage.h"
#include "parents/parentswindow.h"
#include "platform/libraryfolder.h"
#include "platform/startup.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!cuaderno::graphicalDisplayOrAdvice(
            "cuaderno-padres: Necesita una pantalla gráfica y no encuentra ninguna.\n"
            "Para hacer los cambios sin pantalla, use cuaderno-biblioteca (vea "
            "«cuaderno-biblioteca "
            "--help»).\n")) {
        return 1;
    }
    QApplication app(argc, argv);
    cuaderno::prepareApplication(app);
    cuaderno::returnLargeBlocksWhenFreed();
    QApplication::setApplicationName(QStringLiteral("cuaderno-padres"));

    QStringList files = QApplication::arguments().mid(1);
    QString error;
    const QString given = cuaderno::takeFolderOption(files, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "cuaderno-padres: %s\n", qPrintable(error));
        return 2;
    }
    cuaderno::ParentsWindow window(
        new cuaderno::FamilyLibrary(cuaderno::LibraryFolders::forThisUser(), given));
    window.addPage(new cuaderno::GalleryPage(cuaderno::galleryFolder()), QStringLiteral("Galería"));
    window.show();
    if (!files.isEmpty()) {
        window.importPage()->openFiles(files);
    }
    return QApplication::exec();
}
