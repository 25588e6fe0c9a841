// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/familylibrary.h"

namespace cuaderno {

FamilyLibrary::FamilyLibrary(LibraryFolders folders, QString given, QObject* parent)
    : QObject(parent), folders_(std::move(folders)), given_(std::move(given))
{}

bool FamilyLibrary::isOwn() const
{
    return !isGiven() && folders_.userExists();
}

Library FamilyLibrary::current() const
{
    return Library(folders_.chosen(given_));
}

Outcome<Library> FamilyLibrary::forChange()
{
    if (!isGiven() && !isOwn()) {
        if (const Outcome<void> made = Library::ensureUserLibrary(folders_.user, folders_.system);
            !made) {
            return Failure{made.error()};
        }
    }
    return current();
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
