// SPDX-License-Identifier: GPL-3.0-or-later
#include "parents/familylibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

namespace cuaderno {

namespace {

// The library calls its wait handler about every 100 ms: a longer silence means the wait is over.
constexpr int waitQuietMs = 400;
// Changes elsewhere come as bursts of renames: one refresh once they settle.
constexpr int settleMs = 250;

// The folders whose entries make what the book shows: the library, its folders and the
// drawing folders below them (a category, its two halves); links to folders are followed as
// far as that depth.
void addFolders(const QString& folder, int depth, QStringList& folders)
{
    folders.append(folder);
    if (depth == 0) {
        return;
    }
    const QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        addFolders(folder + u'/' + name, depth - 1, folders);
    }
}

} // namespace

FamilyLibrary::FamilyLibrary(LibraryFolders folders, QString given, QObject* parent)
    : QObject(parent), folders_(std::move(folders)), given_(std::move(given)),
      closing_(std::make_shared<std::atomic_bool>(false))
{
    pool_.setMaxThreadCount(1);
    waitQuiet_.setSingleShot(true);
    waitQuiet_.setInterval(waitQuietMs);
    connect(&waitQuiet_, &QTimer::timeout, this, &FamilyLibrary::stopWaiting);
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        watch();
        Q_EMIT changed();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    watch();
}

FamilyLibrary::~FamilyLibrary()
{
    closing_->store(true);
    pool_.waitForDone();
}

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
            return made.failure();
        }
    }
    Library library = current();
    auto giveUp = std::make_shared<std::atomic_bool>(false);
    library.setWaitHandler([this, giveUp, closing = closing_] {
        if (!closing->load()) {
            QMetaObject::invokeMethod(
                this, [this, giveUp] { stillWaiting(giveUp); }, Qt::QueuedConnection);
        }
        return !giveUp->load() && !closing->load();
    });
    return library;
}

void FamilyLibrary::change(Change apply, Done done)
{
    if (++running_ == 1) {
        Q_EMIT changingChanged();
    }
    auto* watcher = new QFutureWatcher<Outcome<void>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, done = std::move(done)] {
        const Outcome<void> outcome = watcher->result();
        watcher->deleteLater();
        --running_;
        watch();
        Q_EMIT changed();
        if (!isChanging()) {
            Q_EMIT changingChanged();
        }
        if (done) {
            done(outcome);
        }
    });
    watcher->setFuture(QtConcurrent::run(&pool_, [this, apply = std::move(apply)] {
        const Outcome<Library> target = forChange();
        if (!target) {
            return Outcome<void>(target.failure());
        }
        Library library = target.value();
        return apply(library);
    }));
}

void FamilyLibrary::stillWaiting(const GiveUp& giveUp)
{
    if (giveUp->load()) {
        return;
    }
    const bool was = isWaiting();
    if (!waiting_.contains(giveUp)) {
        waiting_.append(giveUp);
    }
    waitQuiet_.start();
    if (!was) {
        Q_EMIT waitingChanged();
    }
}

void FamilyLibrary::stopWaiting()
{
    waitQuiet_.stop();
    if (!waiting_.isEmpty()) {
        waiting_.clear();
        Q_EMIT waitingChanged();
    }
}

void FamilyLibrary::cancelWaiting()
{
    for (const GiveUp& giveUp : std::as_const(waiting_)) {
        giveUp->store(true);
    }
    stopWaiting();
}

void FamilyLibrary::watch()
{
    const QStringList watched = watcher_.directories() + watcher_.files();
    if (!watched.isEmpty()) {
        watcher_.removePaths(watched);
    }
    // Until the user's own library exists, its making (by another program) is a change too:
    // the nearest folder on its way that exists already is watched, so that a fresh home,
    // where even ~/.local/share is still to be made, is followed one level at a time.
    const QString root = current().folder();
    QStringList folders;
    addFolders(root, 3, folders);
    if (!isGiven() && !isOwn()) {
        QString above = QFileInfo(folders_.user).path();
        while (!QFileInfo(above).isDir() && QFileInfo(above).path() != above) {
            above = QFileInfo(above).path();
        }
        folders.append(above);
    }
    watcher_.addPaths(folders);
    // The switch may be written in place, by an editor.
    if (const QString printing = root + QStringLiteral("/impresora.txt");
        QFileInfo::exists(printing)) {
        watcher_.addPath(printing);
    }
}

} // namespace cuaderno
