// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace cuaderno {

QString systemError(int code)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("el disco está lleno");
    case EACCES:
    case EPERM:
        return QStringLiteral("no tiene permiso para escribir ahí");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case EEXIST:
        return QStringLiteral("ya existe un archivo con ese nombre");
    case ENOENT:
        return QStringLiteral("el archivo o la carpeta no existe");
    case ENOTDIR:
        return QStringLiteral("una parte del camino no es una carpeta");
    case EISDIR:
        return QStringLiteral("es una carpeta");
    default:
        return QStringLiteral("error del sistema %1 (%2)")
            .arg(code)
            .arg(QString::fromLocal8Bit(std::strerror(code)));
    }
}

Outcome<void> renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return {};
    }
    int code = errno;
    // File systems without the no-replace flag: a hard link fails on an existing name too.
    if (code == EINVAL || code == ENOSYS) {
        if (::link(source.constData(), target.constData()) == 0) {
            if (::unlink(source.constData()) == 0) {
                return {};
            }
            code = errno;
            ::unlink(target.constData());
        } else {
            code = errno;
        }
    }
    return Failure{
        QStringLiteral("No se puede cambiar el nombre de %1 a %2: %3.")
            .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to), systemError(code))};
}

Outcome<void> moveAllOrNone(const QList<Move>& moves, const RenameFunction& rename)
{
    for (qsizetype i = 0; i < moves.size(); ++i) {
        const Outcome<void> done = rename(moves[i].from, moves[i].to);
        if (!done) {
            // The names just vacated are free, so undoing cannot meet a taken name.
            for (qsizetype j = i - 1; j >= 0; --j) {
                rename(moves[j].to, moves[j].from);
            }
            return done;
        }
    }
    return {};
}

Outcome<QString> writeHiddenFile(const QString& folder, const WriteFunction& write)
{
    QTemporaryFile file(folder + QStringLiteral("/.cuaderno-XXXXXX"));
    if (!file.open()) {
        return Failure{QStringLiteral("No se puede escribir en la carpeta %1: %2.")
                           .arg(QDir::toNativeSeparators(folder), systemError(errno))};
    }
    QString error;
    const bool written = write(file, error) && file.flush() && ::fsync(file.handle()) == 0;
    if (!written) {
        if (error.isEmpty()) {
            error = systemError(errno);
        }
        return Failure{QStringLiteral("No se puede escribir en la carpeta %1: %2.")
                           .arg(QDir::toNativeSeparators(folder), error)};
    }
    // Readable by everyone, as the other files of a library are.
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    file.close();
    file.setAutoRemove(false);
    return file.fileName();
}

} // namespace cuaderno
