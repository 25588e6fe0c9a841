// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the child's coloured pages in the gallery folder from one worker thread, so that a
// page turn never waits for a PNG to be encoded or written. A page handed in goes to the
// worker once the handler that left it has returned, so that encoding does not compete with
// presenting the next page. Destroying the keeper waits for the pages still on their way to
// the disk, those not yet started included.

#include "gallery.h"
#include "platform/keeper.h"

#include <QList>
#include <QObject>
#include <QThreadPool>

#include <functional>

namespace cuaderno {

class GalleryKeeper final : public Keeper {
public:
    explicit GalleryKeeper(QString folder, GalleryBound bound = {});
    ~GalleryKeeper() override;

    // Writes unless the user's settings turn keeping off (read at each page, so a parent's
    // change counts at once), then trims the gallery to its bound.
    void keep(const QImage& picture, std::uint8_t category, std::int16_t number) override;
    // Returns once every page handed in so far is written or given up.
    void waitForPages();

private:
    void startPending();

    QString folder_;
    GalleryBound bound_;
    QThreadPool worker_;
    QList<std::function<void()>> pending_;
    QObject events_; // receives the posted start; its end drops a start still posted
};

} // namespace cuaderno
