#pragma once
// Finds which ordinary file a path names, ignoring letter case in every component.

#include <QString>

namespace cuaderno {

class DirectoryLookup {
public:
    // The last component's name as stored on disk, or empty when no ordinary,
    // non-hidden file matches (folders, hidden files and missing folders give empty).
    static QString find(const QString& path);
    // The full path of that file on disk, or empty.
    static QString resolve(const QString& path);
};

} // namespace cuaderno
