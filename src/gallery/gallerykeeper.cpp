// SPDX-License-Identifier: GPL-3.0-or-later
#include "gallerykeeper.h"

#include <QDateTime>
#include <QSettings>

namespace cuaderno {

GalleryKeeper::GalleryKeeper(QString folder, GalleryBound bound)
    : folder_(std::move(folder)), bound_(bound)
{
    // One thread: pages are written in the order they were left, and names never race.
    worker_.setMaxThreadCount(1);
}

GalleryKeeper::~GalleryKeeper()
{
    // At quit the event loop has ended: what is still pending starts here.
    waitForPages();
}

void GalleryKeeper::keep(const QImage& picture, std::uint8_t category, std::int16_t number)
{
    if (picture.isNull()) {
        return;
    }
    // The time is the moment the child left the page, not the moment the worker gets to it.
    const QDateTime when = QDateTime::currentDateTime();
    pending_.append([picture, category, number, when, folder = folder_, bound = bound_] {
        const QSettings settings(settingsOrganisation(), settingsApplication());
        if (!keepingSwitchedOn(settings)) {
            return;
        }
        if (!writeKeptPicture(folder, picture, when, category, number).isEmpty()) {
            boundGallery(folder, bound);
        }
    });
    if (pending_.size() == 1) {
        QMetaObject::invokeMethod(
            &events_, [this] { startPending(); }, Qt::QueuedConnection);
    }
}

void GalleryKeeper::startPending()
{
    for (const std::function<void()>& page : std::as_const(pending_)) {
        worker_.start(page);
    }
    pending_.clear();
}

void GalleryKeeper::waitForPages()
{
    startPending();
    worker_.waitForDone();
}

} // namespace cuaderno
