// SPDX-License-Identifier: GPL-3.0-or-later
#include "renumbering.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <optional>

namespace cuaderno {

namespace {

using Numbered = QHash<int, QList<const FolderEntry*>>;

// The drawing folders' entries by number (coloured or not), or the companions' (nullopt).
Numbered byNumber(const QList<FolderEntry>& entries, std::optional<bool> coloured)
{
    Numbered numbered;
    for (const FolderEntry& entry : entries) {
        if (const int n = coloured ? numberOfEntry(entry, *coloured) : numberOfCompanion(entry);
            n > 0) {
            numbered[n].append(&entry);
        }
    }
    return numbered;
}

// The same name with another number in front.
QString renumbered(const FolderEntry& entry, int number)
{
    return QString::number(number) + entry.name.mid(entry.name.indexOf(u'.'));
}

Failure notAFile(const QString& root, const QString& folder, const FolderEntry& entry)
{
    return Failure{QStringLiteral("«%1» no es un archivo de dibujo (es una carpeta u otra cosa); "
                                  "quítelo o cámbiele el nombre primero.")
                       .arg(QDir::toNativeSeparators(root + u'/' + folder + u'/' + entry.name))};
}

bool leadsOutside(const QString& canonicalRoot, const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return !canonical.isEmpty() && !canonical.startsWith(canonicalRoot + u'/');
}

// Appends the renames of one number's files in one folder; a folder or device in the way
// refuses the whole change.
Outcome<void> appendMoves(QList<JournalStep>& steps, const QString& root, const QString& folder,
                          const QList<const FolderEntry*>& entries, const QString& newPrefix,
                          int newNumber)
{
    for (const FolderEntry* entry : entries) {
        if (entry->kind == FolderEntry::Kind::Other) {
            return notAFile(root, folder, *entry);
        }
        const QString to = newNumber > 0 ? renumbered(*entry, newNumber) : newPrefix + entry->name;
        steps.append({JournalStep::Kind::Move, folder + u'/' + entry->name, folder + u'/' + to});
    }
    return {};
}

} // namespace

CategoryListing listCategory(const QString& root, int category)
{
    CategoryListing listing;
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    for (const std::optional<bool> coloured :
         {std::optional(true), std::optional(false), std::optional<bool>()}) {
        const QString folder = findFolder(root, coloured ? drawingFolderParts(category, *coloured)
                                                         : companionFolderParts(category));
        if (folder.isEmpty()) {
            continue;
        }
        if (listing.outside.isEmpty() && leadsOutside(canonicalRoot, folder)) {
            listing.outside = folder; // named where it leaves, the link a parent sees
            for (QString up = QFileInfo(folder).path();
                 up.size() > root.size() && leadsOutside(canonicalRoot, up);
                 up = QFileInfo(up).path()) {
                listing.outside = up;
            }
        }
        const bool outline = !coloured.has_value();
        (outline     ? listing.companions
         : *coloured ? listing.coloured
                     : listing.uncoloured) = folder.mid(root.size() + 1);
        (outline     ? listing.companionEntries
         : *coloured ? listing.colouredEntries
                     : listing.uncolouredEntries) = listFolder(folder);
    }
    return listing;
}

Outcome<QList<JournalStep>> closeUpSteps(const QString& root, const CategoryListing& category,
                                         const QList<int>& gone, const QString& aside)
{
    const Numbered coloured = byNumber(category.colouredEntries, true);
    const Numbered uncoloured = byNumber(category.uncolouredEntries, false);
    const Numbered companions = byNumber(category.companionEntries, std::nullopt);
    const QSet<int> goneSet(gone.cbegin(), gone.cend());
    QSet<int> done;
    QList<JournalStep> steps;
    for (const int start : gone) {
        // Coloured file before uncoloured, then the companion, number by number, so no number
        // ever mixes two.
        int shift = 0;
        for (int n = start; !done.contains(n) && (coloured.contains(n) || goneSet.contains(n));
             ++n) {
            done.insert(n);
            const bool out = goneSet.contains(n);
            shift += out ? 1 : 0;
            if (!out && shift == 0) {
                continue;
            }
            const int to = out ? 0 : n - shift;
            for (const auto& [folder, numbered] : {std::pair{category.coloured, &coloured},
                                                   std::pair{category.uncoloured, &uncoloured},
                                                   std::pair{category.companions, &companions}}) {
                if (const Outcome<void> added =
                        appendMoves(steps, root, folder, numbered->value(n), aside, to);
                    !added) {
                    return added.failure();
                }
            }
        }
    }
    return steps;
}

namespace {

// The numbers whose drawing files are all dangling links, in order: those go whole.
QList<int> numbersOnlyLinkedToNothing(const CategoryListing& category)
{
    QSet<int> linked; // numbers with a dangling link
    QSet<int> kept;   // numbers with anything else
    for (const bool coloured : {true, false}) {
        for (const FolderEntry& entry :
             coloured ? category.colouredEntries : category.uncolouredEntries) {
            if (const int n = numberOfEntry(entry, coloured); n > 0) {
                (entry.kind == FolderEntry::Kind::BrokenLink ? linked : kept).insert(n);
            }
        }
    }
    QList<int> gone = (linked - kept).values();
    std::sort(gone.begin(), gone.end());
    return gone;
}

} // namespace

Outcome<QList<JournalStep>> danglingLinkSteps(const QString& root, const CategoryListing& category,
                                              const QString& aside)
{
    const QList<int> gone = numbersOnlyLinkedToNothing(category);
    QList<JournalStep> steps;
    // Links of numbers that keep a real file go alone.
    for (const bool coloured : {true, false}) {
        const QString& folder = coloured ? category.coloured : category.uncoloured;
        for (const FolderEntry& entry :
             coloured ? category.colouredEntries : category.uncolouredEntries) {
            const int n = numberOfEntry(entry, coloured);
            if (n > 0 && entry.kind == FolderEntry::Kind::BrokenLink && !gone.contains(n)) {
                steps.append({JournalStep::Kind::Move, folder + u'/' + entry.name,
                              folder + u'/' + aside + entry.name});
            }
        }
    }
    // A companion's link to nothing goes too, unless its number goes whole below.
    for (const FolderEntry& entry : category.companionEntries) {
        const int n = numberOfCompanion(entry);
        if (n > 0 && entry.kind == FolderEntry::Kind::BrokenLink && !gone.contains(n)) {
            steps.append({JournalStep::Kind::Move, category.companions + u'/' + entry.name,
                          category.companions + u'/' + aside + entry.name});
        }
    }
    // The close-up sees the folders as they will be once those links are gone: a number left
    // with its uncoloured file alone ends the run there, as it ends the book's.
    CategoryListing remaining = category;
    for (const bool coloured : {true, false}) {
        (coloured ? remaining.colouredEntries : remaining.uncolouredEntries)
            .removeIf([&](const FolderEntry& entry) {
                const int n = numberOfEntry(entry, coloured);
                return n > 0 && entry.kind == FolderEntry::Kind::BrokenLink && !gone.contains(n);
            });
    }
    remaining.companionEntries.removeIf([&](const FolderEntry& entry) {
        const int n = numberOfCompanion(entry);
        return n > 0 && entry.kind == FolderEntry::Kind::BrokenLink && !gone.contains(n);
    });
    const Outcome<QList<JournalStep>> closed = closeUpSteps(root, remaining, gone, aside);
    if (!closed) {
        return closed;
    }
    return steps + closed.value();
}

Failure outsideLibrary(const QString& root, const QString& folder)
{
    return Failure{QStringLiteral("La carpeta «%1» lleva fuera de la biblioteca «%2» (es un enlace "
                                  "a otro sitio): el cuaderno la lee, pero aquí no se cambia. "
                                  "Cambie esos dibujos donde están, o copie la carpeta dentro "
                                  "de la biblioteca en lugar del enlace.")
                       .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(root))};
}

} // namespace cuaderno
