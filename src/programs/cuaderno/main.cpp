// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the colouring book full screen on the data tree beside the executable, or on the
// one named by --carpeta DIR (the installed launcher passes the user's own library).

#include "book.h"
#include "platform/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

// The folder after --carpeta (or --carpeta=DIR), the executable's folder without it; empty
// with a message on standard error when the option is wrong.
QString dataFolder(const QStringList& arguments)
{
    QString folder;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--carpeta" && i + 1 < arguments.size()) {
            folder = arguments[++i];
        } else if (argument.startsWith(u"--carpeta=")) {
            folder = argument.mid(10);
        } else if (argument == u"--carpeta") {
            std::fputs("cuaderno: falta la carpeta después de --carpeta.\n", stderr);
            return {};
        }
    }
    if (folder.isEmpty()) {
        return QApplication::applicationDirPath();
    }
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "cuaderno: la carpeta %s no existe.\n",
                     qPrintable(QDir::toNativeSeparators(folder)));
        return {};
    }
    // Paths are built by appending "/..." fragments: no trailing separator.
    return QDir::cleanPath(QDir(folder).absolutePath());
}

} // namespace

int main(int argc, char* argv[])
{
    if (!cuaderno::graphicalDisplayOrAdvice(
            "cuaderno necesita una pantalla gráfica y no encuentra ninguna.\n"
            "Arránquelo desde el menú de aplicaciones de su escritorio.\n")) {
        return 1;
    }
    QApplication app(argc, argv);
    cuaderno::prepareApplication(app);
    QApplication::setApplicationName(QStringLiteral("cuaderno"));
    const QString appFolder = dataFolder(QApplication::arguments());
    if (appFolder.isEmpty()) {
        return 2;
    }

    return cuaderno::runBook(appFolder);
}
