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

// Only the file itself must not be hidden: the program may well live under a hidden folder.
bool isKind(const QFileInfo& info, Kind kind)
{
    if (kind == Kind::Folder) {
        return info.isDir();
    }
    return info.isFile() && !info.fileName().startsWith(u'.');
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
    if (path.isEmpty() || path.contains(u'*') || path.contains(u'?')) {
        return {};
    }
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
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

bool DirectoryLookup::isExactFile(const std::string& encodedPath)
{
    struct stat info {};
    const std::size_t name = encodedPath.rfind('/') + 1; // 0 without a slash
    const bool hidden = name < encodedPath.size() && encodedPath[name] == '.';
    return !hidden && ::stat(encodedPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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
        if (entry->d_name[0] == '.') {
            continue;
        }
        bool file = entry->d_type == DT_REG;
        // Links count as what they point to, as QFileInfo sees them; some file systems
        // do not fill in the kind at all.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            file = ::fstatat(fd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
        }
        if (file) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    return names;
}

QString DirectoryLookup::find(const QString& path)
{
    const QString found = resolve(path);
    return found.isEmpty() ? QString() : found.section(u'/', -1);
}

} // namespace cuaderno
