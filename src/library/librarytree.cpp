// SPDX-License-Identifier: GPL-3.0-or-later
#include "librarytree.h"

#include "browser/drawinglibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>

namespace cuaderno {

QList<FolderEntry> listFolder(const QString& folder)
{
    QList<FolderEntry> entries;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        return entries;
    }
    const int fd = ::dirfd(dir);
    while (const dirent* found = ::readdir(dir)) {
        const ListedEntry listed = DirectoryLookup::classify(fd, found->d_name, found->d_type);
        if (listed.hidden) {
            continue;
        }
        FolderEntry entry;
        entry.encodedName = found->d_name;
        entry.name = QFile::decodeName(found->d_name);
        entry.kind = listed.kind;
        entry.link = listed.link;
        entries.append(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

QString findFolder(const QString& root, const QStringList& parts)
{
    QString folder = root;
    for (const QString& part : parts) {
        const QString exact = folder + u'/' + part;
        if (QFileInfo(exact).isDir()) {
            folder = exact;
            continue;
        }
        const QStringList names =
            QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        const auto match = std::find_if(names.cbegin(), names.cend(), [&](const QString& name) {
            return name.compare(part, Qt::CaseInsensitive) == 0;
        });
        if (match == names.cend()) {
            return {};
        }
        folder += u'/' + *match;
    }
    return folder;
}

QStringList drawingFolderParts(int category, bool coloured)
{
    return {QStringLiteral("dibujos"), QString::number(category),
            coloured ? QStringLiteral("si coloreado") : QStringLiteral("no coloreado")};
}

int numberOfEntry(const FolderEntry& entry, bool coloured)
{
    const int number = DrawingLibrary::drawingNumberOf(entry.encodedName);
    if (number == 0 || coloured) {
        return number;
    }
    return entry.name.endsWith(QStringLiteral(".gif"), Qt::CaseInsensitive) ? number : 0;
}

QList<FolderEntry> entriesOfNumber(const QList<FolderEntry>& entries, int number, bool coloured)
{
    QList<FolderEntry> matching;
    for (const FolderEntry& entry : entries) {
        if (numberOfEntry(entry, coloured) == number) {
            matching.append(entry);
        }
    }
    return matching;
}

} // namespace cuaderno
