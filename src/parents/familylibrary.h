// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library the family's book uses, as the parents' window sees it: chosen as the book
// chooses it (platform/libraryfolder), so the window changes what the child sees; the first
// change makes the user's own library from the system's. It runs the window's changes off the
// GUI thread, says when one waits for another program's lock, and watches the library's
// folders so that changes made elsewhere show.

#include "library/library.h"
#include "platform/libraryfolder.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

namespace cuaderno {

class FamilyLibrary final : public QObject {
    Q_OBJECT
public:
    // `given`, when not empty, is the folder named with --carpeta: read and changed as it is.
    explicit FamilyLibrary(LibraryFolders folders, QString given = {}, QObject* parent = nullptr);
    ~FamilyLibrary() override;

    // The library to read now.
    Library current() const;
    // Whether the user's own library exists (and is the current one).
    bool isOwn() const;
    // Whether the folder was named with --carpeta.
    bool isGiven() const { return !given_.isEmpty(); }
    const QString& userFolder() const { return folders_.user; }
    // The library to change: the user's own, made from the system's first when missing. Safe
    // on any thread; its lock waits are told by waitingChanged() and given up by cancelWaiting().
    Outcome<Library> forChange();

    // Applies a change on a worker thread to the library to change; `done` then gets its
    // outcome on this thread, after changed(). One change runs at a time; more wait their turn.
    using Change = std::function<Outcome<void>(Library&)>;
    using Done = std::function<void(const Outcome<void>&)>;
    void change(Change apply, Done done = {});
    bool isChanging() const { return running_ > 0; }
    // Whether a change is waiting for another program's lock.
    bool isWaiting() const { return !waiting_.isEmpty(); }
    // Gives up every wait for another program's lock; those changes fail as Cancelled.
    void cancelWaiting();

Q_SIGNALS:
    // The drawings or the switch of the library changed, or another library is now current.
    void changed();
    // A change started or ended (isChanging()).
    void changingChanged();
    // A change began or stopped waiting for another program's lock (isWaiting()).
    void waitingChanged();

public:
    // Pages call this after a change they made, on the GUI thread.
    void notifyChanged() { Q_EMIT changed(); }

private:
    using GiveUp = std::shared_ptr<std::atomic_bool>;
    void stillWaiting(const GiveUp& flag);
    void stopWaiting();
    void watch();

    LibraryFolders folders_;
    QString given_;
    // Set when the window closes: a wait under way gives up.
    std::shared_ptr<std::atomic_bool> closing_;
    QThreadPool pool_;
    int running_ = 0;
    QList<GiveUp> waiting_;
    QTimer waitQuiet_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

} // namespace cuaderno
