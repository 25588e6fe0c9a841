// SPDX-License-Identifier: GPL-3.0-or-later
#include "directorylookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace cuaderno {

namespace {

enum class Kind { Folder, File };

QString join(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

// What an ordinary file is, for the lookup and the folder scans alike: a regular file, or a
// link to one, whose own name does not start with a dot. Only the file itself must not be
// hidden: the program may well live under a hidden folder.
bool isHiddenName(const char* name)
{
    return name[0] == '.';
}

bool isRegular(int folderFd, const char* path)
{
    struct stat info {};
    return ::fstatat(folderFd, path, &info, 0) == 0 && S_ISREG(info.st_mode);
}

bool isOrdinaryFile(const std::string& encodedPath)
{
    const std::size_t name = encodedPath.rfind('/') + 1; // 0 without a slash
    return !isHiddenName(encodedPath.c_str() + name) && isRegular(AT_FDCWD, encodedPath.c_str());
}

bool isKind(const QFileInfo& info, Kind kind)
{
    if (kind == Kind::Folder) {
        return info.isDir();
    }
    return isOrdinaryFile(QFile::encodeName(info.filePath()).toStdString());
}

// The child of folder named like `name` ignoring case, as stored; the exact name wins.
QString matchChild(const QString& folder, const QString& name, Kind kind)
{
    const QFileInfo exact(join(folder, name));
    if (isKind(exact, kind)) {
        return name;
    }
    // Most data files are written in one of the two plain cases: try them before a listing.
    for (const QString& guess : {name.toUpper(), name.toLower()}) {
        if (guess != name && isKind(QFileInfo(join(folder, guess)), kind)) {
            return guess;
        }
    }
    const QDir dir(folder);
    if (!dir.exists()) {
        return {};
    }
    const QDir::Filters filter =
        kind == Kind::Folder ? QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden : QDir::Files;
    const QStringList entries = dir.entryList(filter | QDir::System, QDir::Unsorted);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 &&
            isKind(QFileInfo(join(folder, entry)), kind)) {
            return entry;
        }
    }
    return {};
}

} // namespace

QString DirectoryLookup::resolve(const QString& path)
{
    if (path.isEmpty()) {
        return {};
    }
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    // A wildcard is refused only in the file name, the part the program builds; the
    // folders above may be named anything a family chose, "¿Qué pinto?" included.
    const QString fileName = clean.section(u'/', -1);
    if (fileName.contains(u'*') || fileName.contains(u'?')) {
        return {};
    }
    // The common case costs one stat: the path is right as written.
    if (isKind(QFileInfo(clean), Kind::File)) {
        return clean;
    }
    QStringList parts = clean.split(u'/', Qt::KeepEmptyParts);
    if (parts.size() < 2) {
        return {};
    }
    const QString last = parts.takeLast();
    if (last.isEmpty()) {
        return {};
    }
    // Walk from the root; a relative path starts at the current folder.
    QString folder = parts.first().isEmpty() ? QStringLiteral("/") : parts.first();
    if (!parts.first().isEmpty() && !QFileInfo(folder).isDir()) {
        const QString found = matchChild(QStringLiteral("."), folder, Kind::Folder);
        if (found.isEmpty()) {
            return {};
        }
        folder = found;
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (parts[i].isEmpty()) {
            continue;
        }
        const QString found = matchChild(folder, parts[i], Kind::Folder);
        if (found.isEmpty()) {
            return {};
        }
        folder = join(folder, found);
    }
    const QString name = matchChild(folder, last, Kind::File);
    if (name.isEmpty()) {
        return {};
    }
    return join(folder, name);
}

std::vector<std::string> DirectoryLookup::fileNames(const QString& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        return names;
    }
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (classify(fd, entry->d_name, entry->d_type).ordinary()) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    return names;
}

ListedEntry DirectoryLookup::classify(int folderFd, const char* name, unsigned char type)
{
    ListedEntry entry;
    entry.hidden = isHiddenName(name);
    if (entry.hidden) {
        return entry;
    }
    // Some file systems do not fill in the kind at all.
    if (type == DT_UNKNOWN) {
        struct stat info {};
        if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            type = S_ISLNK(info.st_mode) ? DT_LNK : S_ISREG(info.st_mode) ? DT_REG : DT_DIR;
        }
    }
    entry.link = type == DT_LNK;
    if (entry.link) {
        struct stat info {};
        entry.kind = ::fstatat(folderFd, name, &info, 0) != 0 ? ListedEntry::Kind::BrokenLink
                     : S_ISREG(info.st_mode)                  ? ListedEntry::Kind::File
                                                              : ListedEntry::Kind::Other;
    } else {
        entry.kind = type == DT_REG ? ListedEntry::Kind::File : ListedEntry::Kind::Other;
    }
    return entry;
}

QString DirectoryLookup::find(const QString& path)
{
    const QString found = resolve(path);
    return found.isEmpty() ? QString() : found.section(u'/', -1);
}

} // namespace cuaderno
