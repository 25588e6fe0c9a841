// SPDX-License-Identifier: GPL-3.0-or-later
#include "library.h"

#include "browser/drawinglibrary.h"
#include "gifwriter/gifwriter.h"
#include "librarytree.h"
#include "platform/directorylookup.h"
#include "platform/textfile.h"
#include "safefiles.h"
#include "tools/printing.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QLockFile>
#include <QSet>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <memory>

namespace cuaderno {

namespace {

const QString switchName = QStringLiteral("impresora.txt");
// The parts of an installed library that make the book; the program itself is not one.
const QStringList dataTree = {QStringLiteral("dibujos"),    QStringLiteral("animados"),
                              QStringLiteral("medida"),     QStringLiteral("punteros"),
                              QStringLiteral("fondo.gif"),  QStringLiteral("sonido1.wav"),
                              QStringLiteral("sonido2.wav")};
// A second writer waits this long before giving up.
constexpr int lockWaitMilliseconds = 60000;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Failure badCategory(int category)
{
    return Failure{QStringLiteral("La categoría %1 no existe: las categorías van de %2 a %3.")
                       .arg(category)
                       .arg(Library::firstCategory)
                       .arg(Library::lastCategory)};
}

bool validCategory(int category)
{
    return category >= Library::firstCategory && category <= Library::lastCategory;
}

// Held for the whole of a change; the lock file is hidden, so the book never sees it.
class ChangeLock {
public:
    Outcome<void> acquire(const QString& folder)
    {
        const QFileInfo info(folder);
        if (!info.isDir()) {
            return Failure{QStringLiteral("La carpeta %1 no existe.").arg(native(folder))};
        }
        lock_ = std::make_unique<QLockFile>(folder + QStringLiteral("/.cuaderno.lock"));
        // Only a lock whose owner has died is stale: a long import still holds it.
        lock_->setStaleLockTime(0);
        if (lock_->tryLock(lockWaitMilliseconds)) {
            return {};
        }
        if (lock_->error() == QLockFile::LockFailedError) {
            return Failure{QStringLiteral("Otro programa está cambiando la biblioteca %1. "
                                          "Inténtelo de nuevo cuando termine.")
                               .arg(native(folder))};
        }
        return Failure{QStringLiteral("No se puede escribir en la carpeta %1: %2.")
                           .arg(native(folder), systemError(EACCES))};
    }

private:
    std::unique_ptr<QLockFile> lock_;
};

// A folder of the library, made with its usual name where it is missing.
Outcome<QString> makeFolder(const QString& root, const QStringList& parts)
{
    QString folder = root;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString found = findFolder(folder, {parts[i]});
        if (!found.isEmpty()) {
            folder = found;
            continue;
        }
        folder += u'/' + parts[i];
        if (!QDir().mkdir(folder)) {
            const int code = errno;
            return Failure{QStringLiteral("No se puede crear la carpeta %1: %2.")
                               .arg(native(folder), systemError(code))};
        }
    }
    return folder;
}

// The new name of a drawing file: the same name with another number in front.
QString renumbered(const FolderEntry& entry, int number)
{
    return QString::number(number) + entry.name.mid(entry.name.indexOf(u'.'));
}

Failure notAFile(const QString& folder, const FolderEntry& entry)
{
    return Failure{QStringLiteral("%1 no es un archivo de dibujo (es una carpeta, un enlace "
                                  "roto u otra cosa); quítelo o cámbiele el nombre primero.")
                       .arg(native(folder + u'/' + entry.name))};
}

// The moves that give drawings of one folder new numbers (old number, new number), in the
// order of `renumbering`, so that each name is free when its turn comes.
Outcome<QList<Move>> shiftMoves(const QString& folder, const QList<FolderEntry>& entries,
                                bool coloured, const QList<std::pair<int, int>>& renumbering)
{
    QHash<int, QList<const FolderEntry*>> byNumber;
    for (const FolderEntry& entry : entries) {
        if (const int n = numberOfEntry(entry, coloured); n > 0) {
            byNumber[n].append(&entry);
        }
    }
    QList<Move> moves;
    for (const auto& [from, to] : renumbering) {
        for (const FolderEntry* entry : byNumber.value(from)) {
            if (entry->kind == FolderEntry::Kind::Other) {
                return notAFile(folder, *entry);
            }
            moves.append({folder + u'/' + entry->name, folder + u'/' + renumbered(*entry, to)});
        }
    }
    return moves;
}

Outcome<void> closeGaps(const QString& coloured, const QString& uncoloured)
{
    const QList<FolderEntry> colouredEntries = listFolder(coloured);
    QList<int> numbers;
    for (const FolderEntry& entry : colouredEntries) {
        const int n = numberOfEntry(entry, true);
        if (n > 0 && entry.kind == FolderEntry::Kind::File && !numbers.contains(n)) {
            numbers.append(n);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    QList<std::pair<int, int>> renumbering;
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        if (numbers[i] != i + 1) {
            renumbering.append({numbers[i], int(i) + 1});
        }
    }
    if (renumbering.isEmpty()) {
        return {};
    }
    const Outcome<QList<Move>> colouredMoves =
        shiftMoves(coloured, colouredEntries, true, renumbering);
    if (!colouredMoves) {
        return Failure{colouredMoves.error()};
    }
    QList<Move> moves = colouredMoves.value();
    if (!uncoloured.isEmpty()) {
        const Outcome<QList<Move>> uncolouredMoves =
            shiftMoves(uncoloured, listFolder(uncoloured), false, renumbering);
        if (!uncolouredMoves) {
            return Failure{uncolouredMoves.error()};
        }
        moves += uncolouredMoves.value();
    }
    return moveAllOrNone(moves);
}

Outcome<int> repairUnlocked(const QString& root)
{
    int dropped = 0;
    for (int category = Library::firstCategory; category <= Library::lastCategory; ++category) {
        const QString coloured = findFolder(root, drawingFolderParts(category, true));
        if (coloured.isEmpty()) {
            continue;
        }
        const QString uncoloured = findFolder(root, drawingFolderParts(category, false));
        int droppedHere = 0;
        for (const QString& folder : {coloured, uncoloured}) {
            for (const FolderEntry& entry : listFolder(folder)) {
                if (entry.kind == FolderEntry::Kind::BrokenLink &&
                    numberOfEntry(entry, folder == coloured) > 0 &&
                    QFile::remove(folder + u'/' + entry.name)) {
                    ++droppedHere;
                }
            }
        }
        if (droppedHere > 0) {
            dropped += droppedHere;
            const Outcome<void> closed = closeGaps(coloured, uncoloured);
            if (!closed) {
                return Failure{closed.error()};
            }
        }
    }
    return dropped;
}

bool writeColoured(QIODevice& device, const QImage& image, ColouredFormat format, QString& error)
{
    if (format == ColouredFormat::Gif) {
        return writeGif(device, image, &error);
    }
    QImageWriter writer(&device, "jpeg");
    writer.setQuality(92);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
        error = QStringLiteral("no se ha podido guardar la imagen en JPEG");
        return false;
    }
    return true;
}

} // namespace

Library::Library(QString folder) : folder_(QDir::cleanPath(std::move(folder))) {}

int Library::lastDrawingNumber(int category) const
{
    if (!validCategory(category)) {
        return 0;
    }
    return DrawingLibrary(folder_).LastDrawingNumber(std::uint8_t(category));
}

Library::DrawingFiles Library::drawingFiles(int category, int number) const
{
    if (!validCategory(category) || number < 1 || number > 32767) {
        return {};
    }
    const DrawingLibrary drawings(folder_);
    const auto c = std::uint8_t(category);
    const auto n = std::int16_t(number);
    if (!drawings.DrawingExists(c, n)) {
        return {};
    }
    return {DirectoryLookup::resolve(
                drawings.ColouredDrawingPath(c, n, drawings.DrawingExtension(c, n))),
            DirectoryLookup::resolve(drawings.UncolouredDrawingPath(c, n))};
}

Outcome<int> Library::addDrawing(int category, const QImage& coloured, ColouredFormat format,
                                 const QImage& uncoloured)
{
    if (!validCategory(category)) {
        return badCategory(category);
    }
    if (coloured.isNull() || uncoloured.isNull() || coloured.size() != uncoloured.size()) {
        return Failure{QStringLiteral("Las dos versiones del dibujo deben ser imágenes del "
                                      "mismo tamaño.")};
    }
    ChangeLock lock;
    if (const Outcome<void> locked = lock.acquire(folder_); !locked) {
        return Failure{locked.error()};
    }
    if (const Outcome<int> repaired = repairUnlocked(folder_); !repaired) {
        return Failure{repaired.error()};
    }
    const int number = lastDrawingNumber(category) + 1;
    if (number > 32766) {
        return Failure{
            QStringLiteral("La categoría %1 ya tiene todos los dibujos que caben.").arg(category)};
    }
    const Outcome<QString> colouredFolder = makeFolder(folder_, drawingFolderParts(category, true));
    if (!colouredFolder) {
        return Failure{colouredFolder.error()};
    }
    const Outcome<QString> uncolouredFolder =
        makeFolder(folder_, drawingFolderParts(category, false));
    if (!uncolouredFolder) {
        return Failure{uncolouredFolder.error()};
    }
    // A leftover with the new number in any letter case (an uncoloured file without its
    // coloured one, say) is the parent's: it is neither replaced nor joined.
    for (const auto& [folder, isColoured] :
         {std::pair{colouredFolder.value(), true}, std::pair{uncolouredFolder.value(), false}}) {
        const QList<FolderEntry> taken = entriesOfNumber(listFolder(folder), number, isColoured);
        if (!taken.isEmpty()) {
            return Failure{QStringLiteral("Ya hay un archivo %1 que no forma un dibujo completo; "
                                          "quítelo o cámbiele el nombre primero.")
                               .arg(native(folder + u'/' + taken.first().name))};
        }
    }

    const Outcome<QString> uncolouredTemp =
        writeHiddenFile(uncolouredFolder.value(), [&](QIODevice& device, QString& error) {
            return writeGif(device, uncoloured, &error);
        });
    if (!uncolouredTemp) {
        return Failure{uncolouredTemp.error()};
    }
    const Outcome<QString> colouredTemp =
        writeHiddenFile(colouredFolder.value(), [&](QIODevice& device, QString& error) {
            return writeColoured(device, coloured, format, error);
        });
    if (!colouredTemp) {
        QFile::remove(uncolouredTemp.value());
        return Failure{colouredTemp.error()};
    }
    // The coloured file goes last: until it is there the book does not see the drawing.
    const QString digits = QString::number(number);
    const Outcome<void> placed = moveAllOrNone(
        {{uncolouredTemp.value(), uncolouredFolder.value() + u'/' + digits + u".GIF"},
         {colouredTemp.value(), colouredFolder.value() + u'/' + digits +
                                    (format == ColouredFormat::Gif ? u".GIF" : u".JPG")}});
    if (!placed) {
        QFile::remove(uncolouredTemp.value());
        QFile::remove(colouredTemp.value());
        return Failure{placed.error()};
    }
    return number;
}

Outcome<void> Library::removeDrawing(int category, int number)
{
    if (!validCategory(category)) {
        return badCategory(category);
    }
    ChangeLock lock;
    if (const Outcome<void> locked = lock.acquire(folder_); !locked) {
        return locked;
    }
    if (const Outcome<int> repaired = repairUnlocked(folder_); !repaired) {
        return Failure{repaired.error()};
    }
    const DrawingLibrary drawings(folder_);
    if (number < 1 || number > 32767 ||
        !drawings.DrawingExists(std::uint8_t(category), std::int16_t(number))) {
        return Failure{QStringLiteral("La categoría %1 no tiene ningún dibujo %2 (tiene %3).")
                           .arg(category)
                           .arg(number)
                           .arg(lastDrawingNumber(category))};
    }
    const QString colouredFolder = findFolder(folder_, drawingFolderParts(category, true));
    const QString uncolouredFolder = findFolder(folder_, drawingFolderParts(category, false));

    // The drawing's own files step aside under hidden names first, then the later drawings
    // move down one by one; only when every rename worked are the set-aside files deleted.
    const QString aside =
        QStringLiteral("/.cuaderno-quitado-") + QUuid::createUuid().toString(QUuid::Id128) + u'-';
    // The later drawings up to the next gap, from one listing (the book's own test of each
    // number would cost two lookups apiece).
    const QList<FolderEntry> colouredEntries = listFolder(colouredFolder);
    QSet<int> present;
    for (const FolderEntry& entry : colouredEntries) {
        if (entry.kind == FolderEntry::Kind::File) {
            present.insert(numberOfEntry(entry, true));
        }
    }
    QList<std::pair<int, int>> renumbering;
    for (int later = number + 1; present.contains(later); ++later) {
        renumbering.append({later, later - 1});
    }
    QList<Move> moves;
    QStringList setAside;
    for (const QString& folder : {colouredFolder, uncolouredFolder}) {
        if (folder.isEmpty()) {
            continue;
        }
        const bool coloured = folder == colouredFolder;
        const QList<FolderEntry> entries = coloured ? colouredEntries : listFolder(folder);
        for (const FolderEntry& entry : entriesOfNumber(entries, number, coloured)) {
            if (entry.kind == FolderEntry::Kind::Other) {
                return notAFile(folder, entry);
            }
            moves.append({folder + u'/' + entry.name, folder + aside + entry.name});
            setAside.append(moves.last().to);
        }
        const Outcome<QList<Move>> shifted = shiftMoves(folder, entries, coloured, renumbering);
        if (!shifted) {
            return Failure{shifted.error()};
        }
        moves += shifted.value();
    }
    if (const Outcome<void> moved = moveAllOrNone(moves); !moved) {
        return moved;
    }
    for (const QString& path : std::as_const(setAside)) {
        QFile::remove(path);
    }
    return {};
}

bool Library::printingEnabled() const
{
    const QString path = folder_ + u'/' + switchName;
    if (DirectoryLookup::find(path) != switchName) {
        return false;
    }
    const auto line = readFirstLine(path);
    return line && printingSwitchedOn(*line);
}

Outcome<void> Library::setPrinting(bool on)
{
    ChangeLock lock;
    if (const Outcome<void> locked = lock.acquire(folder_); !locked) {
        return locked;
    }
    if (const Outcome<int> repaired = repairUnlocked(folder_); !repaired) {
        return Failure{repaired.error()};
    }
    // An installed library's switch is a link to the administrator's configuration file:
    // the file it names is the one to change, and the link stays.
    QString target = folder_ + u'/' + switchName;
    const QFileInfo info(target);
    if (info.isSymLink() && info.exists()) {
        target = info.canonicalFilePath();
    } else if (info.exists() && !info.isFile()) {
        return Failure{QStringLiteral("%1 no es un archivo; quítelo primero.").arg(native(target))};
    }
    const Outcome<QString> written =
        writeHiddenFile(QFileInfo(target).path(), [on](QIODevice& device, QString&) {
            const QByteArray line = on ? QByteArrayLiteral("SI\n") : QByteArrayLiteral("NO\n");
            // A short write leaves the error empty: the caller names the system's reason.
            return device.write(line) == line.size();
        });
    if (!written) {
        return Failure{written.error()};
    }
    if (std::rename(QFile::encodeName(written.value()).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        const int code = errno;
        QFile::remove(written.value());
        return Failure{
            QStringLiteral("No se puede escribir %1: %2.").arg(native(target), systemError(code))};
    }
    return {};
}

Outcome<int> Library::repair()
{
    ChangeLock lock;
    if (const Outcome<void> locked = lock.acquire(folder_); !locked) {
        return Failure{locked.error()};
    }
    return repairUnlocked(folder_);
}

Outcome<void> Library::ensureUserLibrary(const QString& user, const QString& system)
{
    if (QFileInfo(user).isDir()) {
        return {};
    }
    const QString parent = QFileInfo(user).path();
    if (!QDir().mkpath(parent)) {
        return Failure{QStringLiteral("No se puede crear la carpeta %1.").arg(native(parent))};
    }
    // Made under a hidden name beside its place and renamed when complete.
    const QString building =
        parent + QStringLiteral("/.cuaderno-nueva-") + QUuid::createUuid().toString(QUuid::Id128);
    const auto fail = [&](const QString& message) -> Outcome<void> {
        QDir(building).removeRecursively(); // only links and folders made here
        return Failure{message};
    };
    if (!QDir().mkdir(building)) {
        return fail(QStringLiteral("No se puede crear la carpeta %1.").arg(native(parent)));
    }
    const QDir systemDir(system);
    for (const QString& part : dataTree) {
        const QString source = system + u'/' + part;
        const QFileInfo sourceInfo(source);
        if (sourceInfo.isFile()) {
            if (!QFile::link(source, building + u'/' + part)) {
                return fail(
                    QStringLiteral("No se puede crear el enlace a %1.").arg(native(source)));
            }
            continue;
        }
        if (!sourceInfo.isDir()) {
            continue;
        }
        QDirIterator files(source, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const QString copy = building + u'/' + systemDir.relativeFilePath(path);
            const bool made = files.fileInfo().isDir() ? QDir().mkpath(copy)
                                                       : (QDir().mkpath(QFileInfo(copy).path()) &&
                                                          QFile::link(path, copy));
            if (!made) {
                return fail(QStringLiteral("No se puede crear %1.").arg(native(copy)));
            }
        }
    }
    // The user's own switch, starting where the system's stands.
    const bool on = Library(system).printingEnabled();
    QFile switchFile(building + u'/' + switchName);
    if (!switchFile.open(QIODevice::WriteOnly) ||
        switchFile.write(on ? QByteArrayLiteral("SI\n") : QByteArrayLiteral("NO\n")) != 3 ||
        !switchFile.flush()) {
        return fail(QStringLiteral("No se puede escribir %1.").arg(native(switchFile.fileName())));
    }
    switchFile.close();
    if (const Outcome<void> placed = renameNoReplace(building, user); !placed) {
        // Another program made it meanwhile: theirs stands.
        QDir(building).removeRecursively();
        return QFileInfo(user).isDir() ? Outcome<void>() : placed;
    }
    return {};
}

} // namespace cuaderno
