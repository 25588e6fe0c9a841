// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the child's coloured pages in the gallery folder from one worker thread, so that a
// page turn never waits for a PNG to be encoded or written. Destroying the keeper waits for
// the pages still on their way to the disk.

#include "gallery.h"
#include "platform/keeper.h"

#include <QThreadPool>

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
    QString folder_;
    GalleryBound bound_;
    QThreadPool worker_;
};

} // namespace cuaderno
