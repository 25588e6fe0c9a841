// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds which ordinary file a path names, ignoring letter case in every component.

#include <QString>

#include <string>
#include <vector>

namespace cuaderno {

// One entry of a folder listing. Which files count is decided here once, for the book's
// lookups and scans and for the parents' tools alike: an ordinary file is a regular file, or a
// link to one, whose own name does not start with a dot.
struct ListedEntry {
    enum class Kind { File, BrokenLink, Other };
    Kind kind = Kind::Other; // a link counts as what it points to
    bool link = false;
    bool hidden = false; // the rest is not looked at for a hidden entry
    bool ordinary() const { return !hidden && kind == Kind::File; }
};

class DirectoryLookup {
public:
    // The last component's name as stored on disk, or empty when no ordinary,
    // non-hidden file matches (folders, hidden files and missing folders give empty).
    // A file name with a wildcard (* or ?) matches nothing; folder names are taken as names.
    static QString find(const QString& path);
    // The full path of that file on disk, or empty.
    static QString resolve(const QString& path);

    // For scans of large folders, where a QString per name and a stat per file would cost
    // more than the file system's own work.
    // The names, in the file system's encoding, of a folder's ordinary, non-hidden files, from
    // one listing; a file is stat'ed only where the listing does not tell its kind. Empty when
    // the folder cannot be read.
    static std::vector<std::string> fileNames(const QString& folder);

    // An entry `name` of the folder open as `folderFd`, whose kind the listing gave as `type`
    // (a dirent's d_type); stat'ed only where that does not tell.
    static ListedEntry classify(int folderFd, const char* name, unsigned char type);
};

} // namespace cuaderno
