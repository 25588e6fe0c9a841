// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds which ordinary file a path names, ignoring letter case in every component.

#include <QString>

#include <string>
#include <vector>

namespace cuaderno {

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
};

} // namespace cuaderno
