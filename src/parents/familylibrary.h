// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library the family's book uses, as the parents' window sees it: chosen as the book
// chooses it (platform/libraryfolder), so the window changes what the child sees; the first
// change makes the user's own library from the system's.

#include "library/library.h"
#include "platform/libraryfolder.h"

#include <QObject>
#include <QString>

#include <functional>

namespace cuaderno {

class FamilyLibrary final : public QObject {
    Q_OBJECT
public:
    // `given`, when not empty, is the folder named with --carpeta: read and changed as it is.
    explicit FamilyLibrary(LibraryFolders folders, QString given = {}, QObject* parent = nullptr);

    // The library to read now.
    Library current() const;
    // Whether the user's own library exists (and is the current one).
    bool isOwn() const;
    // Whether the folder was named with --carpeta.
    bool isGiven() const { return !given_.isEmpty(); }
    const QString& userFolder() const { return folders_.user; }
    // The library to change: the user's own, made from the system's first when missing.
    Outcome<Library> forChange();
    // Applies a quick change on this thread to the library to change, then says so.
    Outcome<void> change(const std::function<Outcome<void>(Library&)>& apply);

Q_SIGNALS:
    // The drawings or the switch of the library changed, or another library is now current.
    void changed();

public:
    // Pages call this after a change they made, on the GUI thread.
    void notifyChanged() { Q_EMIT changed(); }

private:
    LibraryFolders folders_;
    QString given_;
};

} // namespace cuaderno
