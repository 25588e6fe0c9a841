// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/libraryfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace cuaderno {

LibraryFolders LibraryFolders::forThisUser()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data)) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    // The executable's real folder: a link to it in another folder changes nothing.
    const QString programs = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(programs + QStringLiteral("/../lib/cuaderno"));
    const bool isInstalled = QFileInfo(installed + QStringLiteral("/dibujos")).isDir();
    return {QDir::cleanPath(data + QStringLiteral("/cuaderno")),
            isInstalled ? installed : programs};
}

bool LibraryFolders::userExists() const
{
    return QFileInfo(user).isDir();
}

QString LibraryFolders::chosen(const QString& given) const
{
    if (!given.isEmpty()) {
        return given;
    }
    return userExists() ? user : system;
}

QString takeFolderOption(QStringList& arguments, QString& error)
{
    QString folder;
    bool given = false;
    for (qsizetype i = 0; i < arguments.size();) {
        const QString argument = arguments[i];
        if (argument.startsWith(u"--carpeta=")) {
            folder = argument.mid(10);
            arguments.removeAt(i);
        } else if (argument == u"--carpeta" && i + 1 < arguments.size()) {
            folder = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (argument == u"--carpeta") {
            folder.clear();
            arguments.removeAt(i);
        } else {
            ++i;
            continue;
        }
        given = true;
    }
    if (!given) {
        return {};
    }
    if (folder.isEmpty()) {
        error = QStringLiteral("Falta la carpeta después de --carpeta.");
        return {};
    }
    if (!QFileInfo(folder).isDir()) {
        error = QStringLiteral("La carpeta «%1» no existe.").arg(QDir::toNativeSeparators(folder));
        return {};
    }
    // Paths are built by appending "/..." fragments: no trailing separator.
    return QDir::cleanPath(QDir(folder).absolutePath());
}

} // namespace cuaderno
