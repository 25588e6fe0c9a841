// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the colouring book full screen on the library the parents' tools change: the one
// named by --carpeta DIR, else the user's own when a parent has made it, else the system's
// (in a hand build, the sample library beside the executable).

#include "book.h"
#include "platform/libraryfolder.h"
#include "platform/startup.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!cuaderno::graphicalDisplayOrAdvice(
            "cuaderno: Necesita una pantalla gráfica y no encuentra ninguna.\n"
            "Arránquelo desde el menú de aplicaciones de su escritorio.\n")) {
        return 1;
    }
    QApplication app(argc, argv);
    cuaderno::prepareApplication(app);
    QApplication::setApplicationName(QStringLiteral("cuaderno"));
    QStringList arguments = QApplication::arguments().mid(1);
    QString error;
    const QString given = cuaderno::takeFolderOption(arguments, error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "cuaderno: %s\n", qPrintable(error));
        return 2;
    }
    return cuaderno::runBook(cuaderno::LibraryFolders::forThisUser().chosen(given));
}
