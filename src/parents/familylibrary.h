// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library the family's book uses, as the parents' window sees it: read from the user's own
// library when there is one, else from the system's; the first change makes the user's own.

#include "library/library.h"

#include <QObject>
#include <QString>

#include <functional>

namespace cuaderno {

class FamilyLibrary final : public QObject {
    Q_OBJECT
public:
    FamilyLibrary(QString userFolder, QString systemFolder, QObject* parent = nullptr);
    // The user's and the system's folders as the installed book chooses them.
    static FamilyLibrary* forThisUser(QObject* parent = nullptr);

    // The library to read now.
    Library current() const;
    // Whether the user's own library exists (and is the current one).
    bool isOwn() const;
    const QString& userFolder() const { return userFolder_; }
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
    QString userFolder_;
    QString systemFolder_;
};

} // namespace cuaderno
