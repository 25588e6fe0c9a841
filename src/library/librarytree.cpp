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

QStringList companionFolderParts(int category)
{
    return {QStringLiteral("dibujos"), QString::number(category), QStringLiteral("contornos")};
}

int numberOfCompanion(const FolderEntry& entry)
{
    const qsizetype dot = entry.name.indexOf(u'.');
    const QStringView suffix = QStringView(entry.name).mid(dot + 1);
    if (dot < 1 || dot > 5 || entry.name.startsWith(u'0') ||
        (suffix.compare(u"svg", Qt::CaseInsensitive) != 0 &&
         suffix.compare(u"png", Qt::CaseInsensitive) != 0)) {
        return 0;
    }
    bool ok = false;
    const int number = entry.name.left(dot).toInt(&ok);
    return ok && number <= 32767 && entry.name.left(dot) == QString::number(number) ? number : 0;
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
