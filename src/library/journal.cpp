// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal.h"

#include "safefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cuaderno {

namespace {

const QByteArray firstLine = QByteArrayLiteral("cuaderno cambio 1");
const QByteArray lastLine = QByteArrayLiteral("fin");
// A removal in a category of the largest size the book numbers stays far below this.
constexpr qint64 largestJournal = 64 * 1024 * 1024;

std::atomic<int> stopPoint{0};
std::atomic<int> pointsSeen{0};

QByteArray at(const QString& root, const QString& relative)
{
    return QFile::encodeName(root + u'/' + relative);
}

bool exists(const QByteArray& path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

bool sameFile(const QByteArray& a, const QByteArray& b)
{
    struct stat first {};
    struct stat second {};
    return ::lstat(a.constData(), &first) == 0 && ::lstat(b.constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Inside the library: relative, without empty, "." or ".." parts.
bool insidePath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(u'/')) {
        return false;
    }
    const QStringList parts = path.split(u'/');
    return std::none_of(parts.cbegin(), parts.cend(), [](const QString& part) {
        return part.isEmpty() || part == u"." || part == u"..";
    });
}

// Each name is filled by at most one step and emptied by at most one, and a change's targets
// were free when it began: a move is done once its target exists, a replacement once its
// source is gone.
bool stepDone(const QString& root, const JournalStep& step)
{
    return step.kind == JournalStep::Kind::Move ? exists(at(root, step.to))
                                                : !exists(at(root, step.from));
}

Outcome<void> makeStep(const QString& root, const JournalStep& step)
{
    const QString from = root + u'/' + step.from;
    const QString to = root + u'/' + step.to;
    if (step.kind == JournalStep::Kind::Move) {
        return renameNoReplace(from, to);
    }
    if (std::rename(at(root, step.from).constData(), at(root, step.to).constData()) != 0) {
        const int code = errno;
        return Failure{
            QStringLiteral("No se puede escribir «%1»: %2.").arg(to, systemError(code, root))};
    }
    return {};
}

QString parentOf(const QString& relative)
{
    const qsizetype slash = relative.lastIndexOf(u'/');
    return slash < 0 ? QString() : relative.left(slash);
}

bool hidden(const QString& relative)
{
    return relative.mid(relative.lastIndexOf(u'/') + 1).startsWith(QLatin1StringView(hiddenPrefix));
}

// The new files a change brought (after an undo) or the files it set aside (once finished).
void deleteHidden(const QString& root, const Journal& journal, bool finished)
{
    for (const JournalStep& step : journal.steps) {
        const QString& name = finished ? step.to : step.from;
        if ((step.kind == JournalStep::Kind::Move || !finished) && hidden(name)) {
            ::unlink(at(root, name).constData());
        }
    }
}

// Undoes the moves done, last first, and stops at the first whose old name has been taken
// since: undoing those before it would pair files of two drawings. A file the steps left
// standing had set aside under a hidden name gets a visible one the book ignores, so that
// the clean-up of hidden files never deletes it and the checker shows it to the parent.
void undoSteps(const QString& root, const Journal& journal, int done)
{
    int kept = 0;
    for (int i = done - 1; i >= 0 && kept == 0; --i) {
        const JournalStep& step = journal.steps[i];
        if (step.kind == JournalStep::Kind::Move &&
            (exists(at(root, step.from)) ||
             !renameNoReplace(root + u'/' + step.to, root + u'/' + step.from))) {
            kept = i + 1;
        }
    }
    for (int i = 0; i < kept; ++i) {
        const JournalStep& step = journal.steps[i];
        if (step.kind == JournalStep::Kind::Move && hidden(step.to) && exists(at(root, step.to))) {
            const qsizetype slash = step.to.lastIndexOf(u'/');
            renameNoReplace(root + u'/' + step.to,
                            root + u'/' + step.to.left(slash + 1) + step.to.mid(slash + 2));
        }
    }
}

Failure stopped()
{
    return Failure{QStringLiteral("El cambio se ha detenido a medias.")};
}

Outcome<void> writeJournal(const QString& root, const Journal& journal)
{
    const QByteArray text = encodeJournal(journal);
    const Outcome<QString> written = writeHiddenFile(
        root, [&](QIODevice& device, QString&) { return device.write(text) == text.size(); });
    if (!written) {
        return written.failure();
    }
    const QByteArray target = at(root, QLatin1StringView(journalFileName));
    if (std::rename(QFile::encodeName(written.value()).constData(), target.constData()) != 0) {
        const int code = errno;
        QFile::remove(written.value());
        return Failure{QStringLiteral("No se puede escribir en la carpeta «%1»: %2.")
                           .arg(root, systemError(code, root))};
    }
    if (const Outcome<void> synced = syncFolder(root); !synced) {
        QFile::remove(QFile::decodeName(target));
        return synced;
    }
    return {};
}

Outcome<void> closeJournal(const QString& root, const Journal& journal)
{
    QSet<QString> folders;
    for (const JournalStep& step : journal.steps) {
        folders.insert(parentOf(step.from));
        folders.insert(parentOf(step.to));
    }
    for (const QString& folder : std::as_const(folders)) {
        if (const Outcome<void> synced = syncFolder(root + u'/' + folder); !synced) {
            return synced;
        }
    }
    if (::unlink(at(root, QLatin1StringView(journalFileName)).constData()) != 0 &&
        errno != ENOENT) {
        const int code = errno;
        return Failure{QStringLiteral("No se puede terminar el cambio en «%1»: %2.")
                           .arg(root, systemError(code, root))};
    }
    return syncFolder(root);
}

} // namespace

QByteArray encodeJournal(const Journal& journal)
{
    QByteArray text = firstLine + '\n' + journal.change.toUtf8() + '\n';
    for (const JournalStep& step : journal.steps) {
        text += (step.kind == JournalStep::Kind::Move ? "mover\t" : "sustituir\t") +
                QFile::encodeName(step.from) + '\t' + QFile::encodeName(step.to) + '\n';
    }
    return text + lastLine + '\n';
}

std::optional<Journal> decodeJournal(const QByteArray& text)
{
    const QList<QByteArray> lines = text.split('\n');
    // The first line, the change, the last line and the empty rest after its line end.
    if (lines.size() < 4 || lines.first() != firstLine || lines[lines.size() - 2] != lastLine ||
        !lines.last().isEmpty()) {
        return std::nullopt;
    }
    Journal journal{QString::fromUtf8(lines[1]), {}};
    for (qsizetype i = 2; i < lines.size() - 2; ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() != 3 || (fields[0] != "mover" && fields[0] != "sustituir")) {
            return std::nullopt;
        }
        const JournalStep step{fields[0] == "mover" ? JournalStep::Kind::Move
                                                    : JournalStep::Kind::Replace,
                               QFile::decodeName(fields[1]), QFile::decodeName(fields[2])};
        if (!insidePath(step.from) || !insidePath(step.to)) {
            return std::nullopt;
        }
        journal.steps.append(step);
    }
    return journal;
}

// A step names two files of one folder, and that folder, links resolved, lies within the
// library: a journal planted through a link cannot move or delete files anywhere else.
bool stepStaysInside(const QString& canonicalRoot, const QString& root, const JournalStep& step)
{
    const QFileInfo from(root + u'/' + step.from);
    if (from.path() != QFileInfo(root + u'/' + step.to).path()) {
        return false;
    }
    const QString folder = QFileInfo(from.path()).canonicalFilePath();
    return !folder.isEmpty() &&
           (folder == canonicalRoot || folder.startsWith(canonicalRoot + u'/'));
}

std::optional<Journal> readJournal(const QString& root)
{
    // Opened as itself, never through a link, and only as an ordinary file of bounded size:
    // a pipe or a device in its place must not hang the change that reads it.
    const QByteArray path = QFile::encodeName(root + u'/' + QLatin1StringView(journalFileName));
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    QByteArray text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= largestJournal) {
        text.resize(qsizetype(info.st_size));
        qsizetype got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, size_t(text.size() - got));
            if (n <= 0) {
                break;
            }
            got += n;
        }
        text.truncate(got);
    }
    ::close(fd);
    std::optional<Journal> journal = decodeJournal(text);
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (journal &&
        std::any_of(journal->steps.cbegin(), journal->steps.cend(), [&](const JournalStep& step) {
            return !stepStaysInside(canonicalRoot, root, step);
        })) {
        return std::nullopt;
    }
    return journal;
}

int stepsDone(const QString& root, const Journal& journal)
{
    for (qsizetype i = 0; i < journal.steps.size(); ++i) {
        if (!stepDone(root, journal.steps[i])) {
            return int(i);
        }
    }
    return int(journal.steps.size());
}

bool canFinish(const QString& root, const Journal& journal)
{
    // The names the remaining steps empty and fill, on top of what is on disk now.
    QSet<QString> emptied;
    QSet<QString> filled;
    const auto present = [&](const QString& name) {
        return filled.contains(name) || (!emptied.contains(name) && exists(at(root, name)));
    };
    for (qsizetype i = stepsDone(root, journal); i < journal.steps.size(); ++i) {
        const JournalStep& step = journal.steps[i];
        if (!present(step.from) || (step.kind == JournalStep::Kind::Move && present(step.to))) {
            return false;
        }
        filled.remove(step.from);
        emptied.insert(step.from);
        emptied.remove(step.to);
        filled.insert(step.to);
    }
    return true;
}

Outcome<void> runJournal(const QString& root, const Journal& journal)
{
    if (const Outcome<void> written = writeJournal(root, journal); !written) {
        deleteHidden(root, journal, false);
        return written;
    }
    if (stopsHere()) {
        return stopped();
    }
    for (qsizetype i = 0; i < journal.steps.size(); ++i) {
        if (const Outcome<void> made = makeStep(root, journal.steps[i]); !made) {
            undoSteps(root, journal, int(i));
            closeJournal(root, journal);
            deleteHidden(root, journal, false);
            return made;
        }
        if (stopsHere()) {
            return stopped();
        }
    }
    if (const Outcome<void> closed = closeJournal(root, journal); !closed) {
        return closed;
    }
    deleteHidden(root, journal, true);
    return {};
}

Outcome<bool> recover(const QString& root, const Journal& journal)
{
    int done = stepsDone(root, journal);
    // Where renames cannot refuse to replace, a move is a link then an unlink: a stop between
    // the two leaves the file under both names.
    if (done > 0) {
        const JournalStep& last = journal.steps[done - 1];
        const QByteArray from = at(root, last.from);
        if (last.kind == JournalStep::Kind::Move && sameFile(from, at(root, last.to))) {
            ::unlink(from.constData());
        }
    }
    bool finished = canFinish(root, journal);
    while (finished && done < journal.steps.size()) {
        finished = makeStep(root, journal.steps[done]).ok();
        done += finished ? 1 : 0;
    }
    if (!finished) {
        undoSteps(root, journal, done);
    }
    if (const Outcome<void> closed = closeJournal(root, journal); !closed) {
        return closed.failure();
    }
    deleteHidden(root, journal, finished);
    return finished;
}

QStringList leftoverFiles(const QString& folder)
{
    QStringList names;
    const QByteArray path = QFile::encodeName(folder);
    DIR* dir = ::opendir(path.constData());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* found = ::readdir(dir)) {
        const QByteArray name(found->d_name);
        struct stat info {};
        if (name.startsWith(hiddenPrefix) && name != journalFileName &&
            ::fstatat(::dirfd(dir), found->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISDIR(info.st_mode)) {
            names.append(QFile::decodeName(name));
        }
    }
    ::closedir(dir);
    names.sort();
    return names;
}

void stopChangesAtPoint(int point)
{
    stopPoint = point;
    pointsSeen = 0;
}

bool stopsHere()
{
    return stopPoint > 0 && ++pointsSeen == stopPoint;
}

} // namespace cuaderno
