// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/familylibrary.h"

#include <QFileInfo>

namespace cuaderno {

FamilyLibrary::FamilyLibrary(QString userFolder, QString systemFolder, QObject* parent)
    : QObject(parent), userFolder_(std::move(userFolder)), systemFolder_(std::move(systemFolder))
{}

FamilyLibrary* FamilyLibrary::forThisUser(QObject* parent)
{
    return new FamilyLibrary(Library::userLibraryFolder(), Library::systemLibraryFolder(), parent);
}

bool FamilyLibrary::isOwn() const
{
    return QFileInfo(userFolder_).isDir();
}

Library FamilyLibrary::current() const
{
    return Library(isOwn() ? userFolder_ : systemFolder_);
}

Outcome<Library> FamilyLibrary::forChange()
{
    if (!isOwn()) {
        if (const Outcome<void> made = Library::ensureUserLibrary(userFolder_, systemFolder_);
            !made) {
            return Failure{made.error()};
        }
    }
    return Library(userFolder_);
}

Outcome<void> FamilyLibrary::change(const std::function<Outcome<void>(Library&)>& apply)
{
    const Outcome<Library> target = forChange();
    if (!target) {
        return Failure{target.error()};
    }
    Library library = target.value();
    const Outcome<void> done = apply(library);
    Q_EMIT changed();
    return done;
}

} // namespace cuaderno
