// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The gallery: the folder where the book keeps what the child coloured, the names it gives
// those pictures, the bound on their number and size, the switch that turns keeping off, and
// the listing the parents' window shows. No window here.

#include <QDate>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

class QSettings;

namespace cuaderno {

// The user's pictures folder + "/Cuaderno", without a trailing separator.
QString galleryFolder();

// Organisation and application of the user's settings, shared with the parents' window.
QString settingsOrganisation();
QString settingsApplication();
// The keeping switch; on unless a parent turned it off.
bool keepingSwitchedOn(const QSettings& settings);
void switchKeeping(QSettings& settings, bool on);

// "2026-12-06 17.42.10 - 3-7.png"; copy 2 and above adds " (2)" before the extension.
QString keptPictureName(const QDateTime& when, std::uint8_t category, std::int16_t number,
                        int copy = 1);
// When a picture so named was made; empty for any name the book does not give.
std::optional<QDateTime> keptPictureTime(const QString& fileName);

// Writes picture as a PNG into folder (made if missing) under a name no file there has yet;
// the path written, or empty on any failure. A picture with see-through parts is kept as
// the canvas shows it, on white.
QString writeKeptPicture(const QString& folder, const QImage& picture, const QDateTime& when,
                         std::uint8_t category, std::int16_t number);

struct GalleryBound {
    int pictures = 2000;
    qint64 bytes = 500LL * 1024 * 1024;
};
// Removes the book's own pictures, oldest first, until both limits hold; any other file in
// the folder is neither counted nor touched.
void boundGallery(const QString& folder, GalleryBound bound);

struct GalleryPicture {
    QString path;
    QDateTime made; // from the name the book gave it, else the file's modification time
    QSize size;
};
struct GalleryDay {
    QDate day;
    QList<GalleryPicture> pictures; // newest first
};
// The pictures of folder, newest day first; files that are not pictures, or too large to
// show safely, are left out.
QList<GalleryDay> listGallery(const QString& folder);

// The largest rectangle of picture's proportions inside area, centred in it: a picture
// printed fitted to the page. Empty when either is empty.
QRect fitCentred(QSize picture, QRect area);

// Why pictures cannot be kept in folder, as a Spanish sentence for the parents; empty when
// they can.
QString galleryProblem(const QString& folder);

} // namespace cuaderno
