// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cuaderno {

QString systemError(int code, const QString& folder)
{
    switch (code) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("el disco está lleno; libere espacio (vacíe la papelera o borre "
                              "archivos que no necesite) y vuelva a intentarlo");
    case EACCES:
    case EPERM: {
        const QFileInfo info(folder);
        if (!folder.isEmpty() && info.exists() && info.ownerId() == ::geteuid()) {
            return QStringLiteral("la carpeta es de solo lectura; permita escribir en ella "
                                  "(Propiedades, Permisos) y vuelva a intentarlo");
        }
        return QStringLiteral("no tiene permiso para escribir ahí; pida a quien administra el "
                              "equipo que le dé permiso o use su propia biblioteca");
    }
    case EROFS:
        return QStringLiteral("el disco es de solo lectura; quite la protección contra escritura "
                              "o use otra carpeta");
    case EEXIST:
        return QStringLiteral("ya existe un archivo con ese nombre");
    case ENOENT:
        return QStringLiteral("la carpeta o el archivo ya no existe; compruebe que el disco sigue "
                              "conectado y vuelva a intentarlo");
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

namespace {

std::atomic<bool> renameFlagsRefused{false};
std::atomic<int> writeFailure{0};

int renameWithoutFlag(const QByteArray& source, const QByteArray& target)
{
    struct stat info {};
    if (::lstat(source.constData(), &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        // A folder cannot be hard linked; rename(2) fails onto a file or a folder with
        // anything in it, so after this check it can at most replace an empty folder.
        if (::lstat(target.constData(), &info) == 0) {
            return EEXIST;
        }
        return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
    }
    // link(2) never follows a link and fails on an existing name.
    if (::link(source.constData(), target.constData()) != 0) {
        return errno;
    }
    if (::unlink(source.constData()) != 0) {
        const int code = errno;
        ::unlink(target.constData());
        return code;
    }
    return 0;
}

} // namespace

Outcome<void> renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int code = 0;
    if (renameFlagsRefused || ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD,
                                          target.constData(), RENAME_NOREPLACE) != 0) {
        code = renameFlagsRefused ? EINVAL : errno;
    }
    if (code == EINVAL || code == ENOSYS) {
        code = renameWithoutFlag(source, target);
    }
    if (code == 0) {
        return {};
    }
    return Failure{QStringLiteral("No se puede cambiar el nombre de «%1» a «%2»: %3.")
                       .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to),
                            systemError(code, QFileInfo(to).path()))};
}

Outcome<void> syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    // Some file systems cannot flush a folder (EINVAL): their renames are as safe as they get.
    if (fd >= 0 && (::fsync(fd) == 0 || errno == EINVAL)) {
        ::close(fd);
        return {};
    }
    const int code = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    return Failure{QStringLiteral("No se puede guardar en la carpeta «%1»: %2.")
                       .arg(QDir::toNativeSeparators(folder), systemError(code, folder))};
}

void refuseRenameFlags(bool refuse)
{
    renameFlagsRefused = refuse;
}

void failWritesWith(int code)
{
    writeFailure = code;
}

Outcome<QString> writeHiddenFile(const QString& folder, const WriteFunction& write)
{
    const auto failure = [&folder](const QString& reason) {
        return Failure{QStringLiteral("No se puede escribir en la carpeta «%1»: %2.")
                           .arg(QDir::toNativeSeparators(folder), reason)};
    };
    // Made whole in memory first, so a full disk is told as such and not as a bad picture.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!write(buffer, error)) {
        return failure(error);
    }
    QTemporaryFile file(folder + QStringLiteral("/.cuaderno-XXXXXX"));
    if (!file.open()) {
        return failure(systemError(errno, folder));
    }
    const QByteArray& bytes = buffer.data();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = writeFailure != 0 ? (errno = writeFailure, -1)
                                                  : ::write(file.handle(), bytes.constData() + done,
                                                            size_t(bytes.size() - done));
        if (written < 0 && errno != EINTR) {
            return failure(systemError(errno, folder));
        }
        done += std::max<ssize_t>(written, 0);
    }
    if (::fsync(file.handle()) != 0) {
        return failure(systemError(errno, folder));
    }
    // Readable by everyone, as the other files of a library are.
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    file.close();
    file.setAutoRemove(false);
    return file.fileName();
}

} // namespace cuaderno
