// SPDX-License-Identifier: GPL-3.0-or-later
#include "library.h"

#include "browser/drawinglibrary.h"
#include "gifwriter/gifwriter.h"
#include "journal.h"
#include "librarytree.h"
#include "platform/directorylookup.h"
#include "platform/spanish.h"
#include "platform/textfile.h"
#include "renumbering.h"
#include "safefiles.h"
#include "tools/printerswitch.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
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
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace cuaderno {

namespace {

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

// What tells a file apart from a later one under the same name; empty when it is missing.
QByteArray fileIdentity(const QString& path)
{
    struct stat info {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    return QFile::encodeName(path) + '\0' + QByteArray::number(qulonglong(info.st_dev)) + ':' +
           QByteArray::number(qulonglong(info.st_ino)) + ':' +
           QByteArray::number(qlonglong(info.st_size)) + ':' +
           QByteArray::number(qlonglong(info.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qlonglong(info.st_mtim.tv_nsec)) + '\n';
}

Failure badCategory(int category)
{
    return Failure{QStringLiteral("La categoría %1 no existe: las categorías van del %2 al %3.")
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
    Outcome<void> acquire(const QString& folder, const std::function<bool()>& keepWaiting,
                          const QString& name = QStringLiteral("/.cuaderno.lock"))
    {
        const QFileInfo info(folder);
        if (!info.isDir()) {
            return Failure{QStringLiteral("La carpeta «%1» no existe; compruebe que el disco sigue "
                                          "conectado o elija otra carpeta.")
                               .arg(native(folder))};
        }
        lock_ = std::make_unique<QLockFile>(folder + name);
        // Only a lock whose owner has died is stale: a long import still holds it.
        lock_->setStaleLockTime(0);
        QElapsedTimer waited;
        waited.start();
        for (bool first = true; !lock_->tryLock(first ? 0 : 100); first = false) {
            if (lock_->error() != QLockFile::LockFailedError) {
                // The lock does not say why; asking the folder tells a read-only disk apart.
                const int code =
                    ::access(QFile::encodeName(folder).constData(), W_OK) == 0 ? EACCES : errno;
                return Failure{QStringLiteral("No se puede escribir en la carpeta «%1»: %2.")
                                   .arg(native(folder), systemError(code, folder))};
            }
            if (keepWaiting ? !keepWaiting() : waited.elapsed() > lockWaitMilliseconds) {
                return Failure{QStringLiteral("Otro programa está cambiando la biblioteca «%1». "
                                              "Inténtelo de nuevo cuando termine.")
                                   .arg(native(folder)),
                               keepWaiting ? Failure::Reason::Cancelled : Failure::Reason::Other};
            }
        }
        return {};
    }

private:
    std::unique_ptr<QLockFile> lock_;
};

// A folder of the library, made with its usual name where it is missing; one that leads out
// of the library is refused.
Outcome<QString> makeFolder(const QString& root, const QStringList& parts)
{
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    QString folder = root;
    for (const QString& part : parts) {
        const QString found = findFolder(folder, {part});
        if (found.isEmpty()) {
            folder += u'/' + part;
            if (!QDir().mkdir(folder)) {
                const int code = errno;
                return Failure{
                    QStringLiteral("No se puede crear la carpeta «%1»: %2.")
                        .arg(native(folder), systemError(code, QFileInfo(folder).path()))};
            }
            continue;
        }
        folder = found;
        if (!QFileInfo(folder).canonicalFilePath().startsWith(canonicalRoot + u'/')) {
            return outsideLibrary(root, folder);
        }
    }
    return folder;
}

struct NewDrawingFolders {
    QString coloured;
    QString uncoloured;
    QString companions; // empty when the drawing comes without an outline
};

// A leftover with the new number in any letter case (an uncoloured file or an outline without
// its coloured one, say) is the parent's: it is neither replaced nor joined.
Outcome<void> refuseTaken(const QString& folder, int number, std::optional<bool> coloured)
{
    for (const FolderEntry& entry : listFolder(folder)) {
        if ((coloured ? numberOfEntry(entry, *coloured) : numberOfCompanion(entry)) == number) {
            return Failure{QStringLiteral("Ya hay un archivo «%1» que no forma un dibujo "
                                          "completo; quítelo o cámbiele el nombre primero.")
                               .arg(native(folder + u'/' + entry.name))};
        }
    }
    return {};
}

// The folders a new drawing numbered `number` goes into, made where missing; the outlines'
// folder only when `companion`.
Outcome<NewDrawingFolders> newDrawingFolders(const QString& root, int category, int number,
                                             bool companion)
{
    NewDrawingFolders folders;
    const Outcome<QString> coloured = makeFolder(root, drawingFolderParts(category, true));
    if (!coloured) {
        return coloured.failure();
    }
    const Outcome<QString> uncoloured = makeFolder(root, drawingFolderParts(category, false));
    if (!uncoloured) {
        return uncoloured.failure();
    }
    folders.coloured = coloured.value();
    folders.uncoloured = uncoloured.value();
    if (companion) {
        const Outcome<QString> made = makeFolder(root, companionFolderParts(category));
        if (!made) {
            return made.failure();
        }
        folders.companions = made.value();
    }
    // Without a companion of its own, the drawing would take a stray one as its own.
    const QString companions = findFolder(root, companionFolderParts(category));
    for (const auto& [folder, kind] : {std::pair{folders.coloured, std::optional(true)},
                                       std::pair{folders.uncoloured, std::optional(false)},
                                       std::pair{companions, std::optional<bool>()}}) {
        if (!folder.isEmpty()) {
            if (const Outcome<void> free = refuseTaken(folder, number, kind); !free) {
                return free.failure();
            }
        }
    }
    return folders;
}

// The prefix of the hidden names a change sets files aside under until it is over.
QString asidePrefix()
{
    return QLatin1StringView(hiddenPrefix) + QStringLiteral("quitado-") +
           QUuid::createUuid().toString(QUuid::Id128) + u'-';
}

Failure stoppedBeforeJournal()
{
    return Failure{QStringLiteral("El cambio se ha detenido antes de empezar.")};
}

// Drops the links to files that are gone (a sample a newer package no longer ships), each
// category a change of its own; folders that lead out of the library are left as they are.
Outcome<void> dropDanglingLinks(const QString& root, const QList<CategoryListing>& categories)
{
    for (qsizetype i = 0; i < categories.size(); ++i) {
        if (!categories[i].outside.isEmpty()) {
            continue;
        }
        const Outcome<QList<JournalStep>> steps =
            danglingLinkSteps(root, categories[i], asidePrefix());
        if (!steps) {
            return steps.failure();
        }
        if (steps.value().isEmpty()) {
            continue;
        }
        const Journal journal{QStringLiteral("quitar los enlaces rotos de la categoría %1")
                                  .arg(i + Library::firstCategory),
                              steps.value()};
        if (const Outcome<void> run = runJournal(root, journal); !run) {
            return run;
        }
    }
    return {};
}

// What every change does first: finishes or undoes a change that was stopped, deletes the
// hidden files stopped changes leave, then drops dangling links.
Outcome<void> recoverUnlocked(const QString& root)
{
    const QString journalPath = root + u'/' + QLatin1StringView(journalFileName);
    if (QFileInfo(journalPath).exists() || QFileInfo(journalPath).isSymLink()) {
        if (const std::optional<Journal> journal = readJournal(root)) {
            if (const Outcome<bool> recovered = recover(root, *journal); !recovered) {
                return recovered.failure();
            }
        } else {
            QFile::remove(journalPath); // nothing can be learnt from it
        }
    }
    QList<CategoryListing> categories;
    QStringList folders = {root};
    for (int category = Library::firstCategory; category <= Library::lastCategory; ++category) {
        categories.append(listCategory(root, category));
        const CategoryListing& listed = categories.last();
        if (listed.outside.isEmpty()) {
            for (const QString& folder : {listed.coloured, listed.uncoloured, listed.companions}) {
                if (!folder.isEmpty()) {
                    folders.append(root + u'/' + folder);
                }
            }
        }
    }
    for (const QString& folder : std::as_const(folders)) {
        for (const QString& name : leftoverFiles(folder)) {
            QFile::remove(folder + u'/' + name);
        }
    }
    return dropDanglingLinks(root, categories);
}

// Every change begins here: the library's lock, held while `lock` lives, then whatever a
// stopped change left finished or undone.
Outcome<void> beginChange(ChangeLock& lock, const QString& root,
                          const std::function<bool()>& keepWaiting)
{
    if (const Outcome<void> locked = lock.acquire(root, keepWaiting); !locked) {
        return locked;
    }
    return recoverUnlocked(root);
}

WriteFunction switchWriter(bool on)
{
    return [on](QIODevice& device, QString&) {
        const QByteArray line = printerSwitchContent(on);
        return device.write(line) == line.size();
    };
}

// Writes the administrator's switch in place: a hidden file beside it renamed over it.
Outcome<void> writeSwitch(const QString& target, bool on)
{
    const Outcome<QString> written = writeHiddenFile(QFileInfo(target).path(), switchWriter(on));
    if (!written) {
        return written.failure();
    }
    if (std::rename(QFile::encodeName(written.value()).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        const int code = errno;
        QFile::remove(written.value());
        return Failure{QStringLiteral("No se puede escribir «%1»: %2.")
                           .arg(native(target), systemError(code, QFileInfo(target).path()))};
    }
    return {};
}

// The user's library in `building`: links to every file of the system library's data tree,
// and the user's own printing switch, starting where the system's stands.
Outcome<void> buildUserLibrary(const QString& building, const QString& system)
{
    if (!QDir().mkdir(building)) {
        return Failure{QStringLiteral("No se puede crear la carpeta «%1»: %2.")
                           .arg(native(building), systemError(errno, QFileInfo(building).path()))};
    }
    const QDir systemDir(system);
    for (const QString& part : dataTree) {
        const QString source = system + u'/' + part;
        const QFileInfo sourceInfo(source);
        if (sourceInfo.isFile() && !QFile::link(source, building + u'/' + part)) {
            return Failure{QStringLiteral("No se puede crear el enlace a «%1»: %2.")
                               .arg(native(source), systemError(errno, building))};
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
                return Failure{QStringLiteral("No se puede crear «%1»: %2.")
                                   .arg(native(copy), systemError(errno, building))};
            }
        }
    }
    const Outcome<QString> written =
        writeHiddenFile(building, switchWriter(Library(system).printingEnabled()));
    if (!written) {
        return written.failure();
    }
    return renameNoReplace(written.value(), building + u'/' + printerSwitchName());
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

// Absolute, so the journal can name files relative to it whatever the working folder.
Library::Library(QString folder)
    : folder_(folder.isEmpty() ? folder : QDir::cleanPath(QDir(folder).absolutePath()))
{}

int Library::lastDrawingNumber(int category) const
{
    if (!validCategory(category)) {
        return 0;
    }
    return DrawingLibrary(folder_).lastDrawingNumber(std::uint8_t(category));
}

Library::DrawingFiles Library::drawingFiles(int category, int number) const
{
    if (!validCategory(category) || number < 1 || number > 32767) {
        return {};
    }
    const DrawingLibrary drawings(folder_);
    const auto c = std::uint8_t(category);
    const auto n = std::int16_t(number);
    if (!drawings.drawingExists(c, n)) {
        return {};
    }
    DrawingFiles files{DirectoryLookup::resolve(
                           drawings.colouredDrawingPath(c, n, drawings.drawingExtension(c, n))),
                       DirectoryLookup::resolve(drawings.uncolouredDrawingPath(c, n)),
                       {}};
    files.identity = fileIdentity(files.coloured) + fileIdentity(files.uncoloured);
    return files;
}

void Library::setWaitHandler(std::function<bool()> keepWaiting)
{
    keepWaiting_ = std::move(keepWaiting);
}

namespace {

Outcome<void> checkNewDrawing(const QImage& coloured, const QImage& uncoloured,
                              const Library::Outline& outline)
{
    if (coloured.isNull() || uncoloured.isNull() || coloured.size() != uncoloured.size()) {
        return Failure{QStringLiteral("Las dos versiones del dibujo deben ser imágenes del "
                                      "mismo tamaño.")};
    }
    const bool svg = outline.suffix == u"svg";
    if (!outline.bytes.isEmpty() && ((!svg && outline.suffix != u"png") ||
                                     outline.bytes.size() > (svg ? Library::largestSvgOutlineBytes
                                                                 : Library::largestOutlineBytes))) {
        return Failure{QStringLiteral("Los contornos del dibujo deben ser un SVG de como mucho "
                                      "16 MB o un PNG de como mucho 64 MB.")};
    }
    return {};
}

// The new files, hidden in their folders: outline (when any), uncoloured, coloured.
Outcome<QStringList> writeNewFiles(const NewDrawingFolders& folders, const QImage& coloured,
                                   ColouredFormat format, const QImage& uncoloured,
                                   const Library::Outline& outline)
{
    QList<std::pair<QString, WriteFunction>> writes;
    if (!folders.companions.isEmpty()) {
        writes.append({folders.companions, [&](QIODevice& device, QString&) {
                           return device.write(outline.bytes) == outline.bytes.size();
                       }});
    }
    writes.append({folders.uncoloured, [&](QIODevice& device, QString& error) {
                       return writeGif(device, uncoloured, &error);
                   }});
    writes.append({folders.coloured, [&](QIODevice& device, QString& error) {
                       return writeColoured(device, coloured, format, error);
                   }});
    QStringList written;
    for (const auto& [folder, write] : std::as_const(writes)) {
        const Outcome<QString> file = writeHiddenFile(folder, write);
        if (!file) {
            for (const QString& path : std::as_const(written)) {
                QFile::remove(path);
            }
            return file.failure();
        }
        written.append(file.value());
    }
    return written;
}

// What the journal names a new drawing's files after.
struct NewDrawing {
    int category;
    int number;
    ColouredFormat format;
    QString outlineSuffix;
};

// The journal that moves the new hidden files into place in the order they were written: the
// outline first, which the book never reads; the coloured file last, since until it is there
// the book does not see the drawing.
Journal placingJournal(const QString& root, const NewDrawing& drawing, const QStringList& written)
{
    const QString digits = QString::number(drawing.number);
    const auto inside = [&root](const QString& path) { return path.mid(root.size() + 1); };
    const QStringList names = {digits + u'.' + drawing.outlineSuffix, digits + u".GIF",
                               digits +
                                   (drawing.format == ColouredFormat::Gif ? u".GIF" : u".JPG")};
    Journal journal{QStringLiteral("añadir el dibujo %1 a la categoría %2")
                        .arg(drawing.number)
                        .arg(drawing.category),
                    {}};
    for (qsizetype i = 0; i < written.size(); ++i) {
        const QString& file = written[i];
        journal.steps.append(
            {JournalStep::Kind::Move, inside(file),
             inside(QFileInfo(file).path()) + u'/' + names[i + names.size() - written.size()]});
    }
    return journal;
}

} // namespace

Outcome<int> Library::addDrawing(int category, const QImage& coloured, ColouredFormat format,
                                 const QImage& uncoloured, const Outline& outline)
{
    if (!validCategory(category)) {
        return badCategory(category);
    }
    if (const Outcome<void> valid = checkNewDrawing(coloured, uncoloured, outline); !valid) {
        return valid.failure();
    }
    ChangeLock lock;
    if (const Outcome<void> begun = beginChange(lock, folder_, keepWaiting_); !begun) {
        return begun.failure();
    }
    const int number = lastDrawingNumber(category) + 1;
    if (number > 32766) {
        return Failure{
            QStringLiteral("La categoría %1 ya tiene todos los dibujos que caben.").arg(category)};
    }
    const Outcome<NewDrawingFolders> folders =
        newDrawingFolders(folder_, category, number, !outline.bytes.isEmpty());
    if (!folders) {
        return folders.failure();
    }
    const Outcome<QStringList> written =
        writeNewFiles(folders.value(), coloured, format, uncoloured, outline);
    if (!written) {
        return written.failure();
    }
    if (stopsHere()) {
        return stoppedBeforeJournal();
    }
    const NewDrawing drawing{category, number, format, outline.suffix};
    if (const Outcome<void> placed =
            runJournal(folder_, placingJournal(folder_, drawing, written.value()));
        !placed) {
        return placed.failure();
    }
    return number;
}

Outcome<void> Library::removeDrawing(int category, int number)
{
    return removeChecked(category, number, std::nullopt);
}

Outcome<void> Library::removeDrawing(int category, int number, const DrawingFiles& expected)
{
    return removeChecked(category, number, expected);
}

namespace {

// Why the drawing cannot be removed as asked: it changed since it was listed, or there is no
// such drawing; nothing when it can.
Outcome<void> checkRemovable(const Library& library, int category, int number,
                             const std::optional<Library::DrawingFiles>& expected)
{
    if (expected && library.drawingFiles(category, number) != *expected) {
        return Failure{QStringLiteral("El dibujo %1 de la categoría %2 ha cambiado desde que se "
                                      "mostró la lista; mírela de nuevo antes de quitarlo.")
                           .arg(number)
                           .arg(category),
                       Failure::Reason::Changed};
    }
    if (number < 1 || number > 32767 ||
        !DrawingLibrary(library.folder())
             .drawingExists(std::uint8_t(category), std::int16_t(number))) {
        return Failure{plural(library.lastDrawingNumber(category),
                              QStringLiteral("La categoría %2 no tiene el dibujo %3: tiene %1 "
                                             "dibujo."),
                              QStringLiteral("La categoría %2 no tiene el dibujo %3: tiene %1 "
                                             "dibujos."))
                           .arg(category)
                           .arg(number)};
    }
    return {};
}

// The drawing's own files step aside under hidden names, the later ones move down one by
// one, and the set-aside files are deleted once every rename is made.
Outcome<void> closeUp(const QString& root, int category, int number)
{
    const CategoryListing listing = listCategory(root, category);
    if (!listing.outside.isEmpty()) {
        return outsideLibrary(root, listing.outside);
    }
    const Outcome<QList<JournalStep>> steps = closeUpSteps(root, listing, {number}, asidePrefix());
    if (!steps) {
        return steps.failure();
    }
    return runJournal(
        root, {QStringLiteral("quitar el dibujo %1 de la categoría %2").arg(number).arg(category),
               steps.value()});
}

} // namespace

Outcome<void> Library::removeChecked(int category, int number,
                                     const std::optional<DrawingFiles>& expected)
{
    if (!validCategory(category)) {
        return badCategory(category);
    }
    ChangeLock lock;
    if (const Outcome<void> begun = beginChange(lock, folder_, keepWaiting_); !begun) {
        return begun;
    }
    if (const Outcome<void> removable = checkRemovable(*this, category, number, expected);
        !removable) {
        return removable;
    }
    return closeUp(folder_, category, number);
}

bool Library::printingEnabled() const
{
    return cuaderno::printingEnabled(folder_);
}

Outcome<void> Library::setPrinting(bool on)
{
    ChangeLock lock;
    if (const Outcome<void> begun = beginChange(lock, folder_, keepWaiting_); !begun) {
        return begun;
    }
    if (const std::optional<QString> through = packageSwitchBehind(folder_)) {
        return writeSwitch(*through, on);
    }
    const QString path = folder_ + u'/' + printerSwitchName();
    const QFileInfo info(path);
    if (!info.isSymLink() && info.exists() && !info.isFile()) {
        return Failure{QStringLiteral("«%1» no es un archivo; quítelo primero.").arg(native(path))};
    }
    const Outcome<QString> written = writeHiddenFile(folder_, switchWriter(on));
    if (!written) {
        return written.failure();
    }
    if (stopsHere()) {
        return stoppedBeforeJournal();
    }
    return runJournal(folder_, {on ? QStringLiteral("activar el botón de imprimir")
                                   : QStringLiteral("desactivar el botón de imprimir"),
                                {{JournalStep::Kind::Replace,
                                  written.value().mid(folder_.size() + 1), printerSwitchName()}}});
}

Outcome<void> Library::recover()
{
    ChangeLock lock;
    return beginChange(lock, folder_, keepWaiting_);
}

Outcome<void> Library::ensureUserLibrary(const QString& user, const QString& system)
{
    if (QFileInfo(user).isDir()) {
        return {};
    }
    const QString parent = QFileInfo(user).path();
    if (!QDir().mkpath(parent)) {
        return Failure{QStringLiteral("No se puede crear la carpeta «%1»: %2.")
                           .arg(native(parent), systemError(errno, QFileInfo(parent).path()))};
    }
    // Made under a hidden name beside its place and renamed when complete, under a lock
    // beside it, so the hidden folders another program left half-made can go first.
    ChangeLock lock;
    if (const Outcome<void> locked =
            lock.acquire(parent, {}, QStringLiteral("/.cuaderno-nueva.lock"));
        !locked) {
        return locked;
    }
    const QString prefix = QLatin1StringView(hiddenPrefix) + QStringLiteral("nueva-");
    for (const QString& name :
         QDir(parent).entryList({prefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks)) {
        QDir(parent + u'/' + name).removeRecursively(); // only links and folders made here
    }
    if (QFileInfo(user).isDir()) {
        return {};
    }
    const QString building = parent + u'/' + prefix + QUuid::createUuid().toString(QUuid::Id128);
    Outcome<void> made = buildUserLibrary(building, system);
    if (made) {
        // With the folder complete a rename shows it whole; it never replaces one with files.
        made = renameNoReplace(building, user);
    }
    if (!made) {
        QDir(building).removeRecursively();
        // Another program made it meanwhile: theirs stands.
        return QFileInfo(user).isDir() ? Outcome<void>() : made;
    }
    return syncFolder(parent);
}

} // namespace cuaderno
