// SPDX-License-Identifier: GPL-3.0-or-later
#include "gallery.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>

namespace cuaderno {

namespace {

const QString timeFormat = QStringLiteral("yyyy-MM-dd HH.mm.ss");

// Pictures larger than this are not opened for the parents: a damaged or hostile file must
// not take the window's memory.
constexpr qint64 largestFile = 64LL * 1024 * 1024;
constexpr qint64 largestPixelCount = 64LL * 1024 * 1024;

// Below this, a disk is too full to keep another page.
constexpr qint64 leastFreeBytes = 16LL * 1024 * 1024;

QString keepingKey()
{
    return QStringLiteral("galeria/guardar");
}

// The nearest folder on the way up that exists, or the path that is not one.
QFileInfo nearestExisting(const QString& folder)
{
    QFileInfo info(folder);
    while (!info.exists() && !info.absoluteFilePath().isEmpty() &&
           info.absoluteFilePath() != QDir::rootPath()) {
        info = QFileInfo(info.absolutePath());
    }
    return info;
}

} // namespace

QString galleryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) +
           QStringLiteral("/Cuaderno");
}

QString settingsOrganisation()
{
    return QStringLiteral("cuaderno");
}

QString settingsApplication()
{
    return QStringLiteral("cuaderno");
}

bool keepingSwitchedOn(const QSettings& settings)
{
    return settings.value(keepingKey(), true).toBool();
}

void switchKeeping(QSettings& settings, bool on)
{
    settings.setValue(keepingKey(), on);
    settings.sync();
}

QString keptPictureName(const QDateTime& when, std::uint8_t category, std::int16_t number, int copy)
{
    const QString copyMark = copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString();
    return when.toString(timeFormat) + QStringLiteral(" - %1-%2").arg(category).arg(number) +
           copyMark + QStringLiteral(".png");
}

std::optional<QDateTime> keptPictureTime(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d) - \d{1,3}--?\d{1,5}( \([1-9]\d{0,5}\))?\.png$)"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QDateTime when = QDateTime::fromString(match.captured(1), timeFormat);
    return when.isValid() ? std::optional<QDateTime>(when) : std::nullopt;
}

QString writeKeptPicture(const QString& folder, const QImage& picture, const QDateTime& when,
                         std::uint8_t category, std::int16_t number)
{
    if (picture.isNull() || !QDir().mkpath(folder)) {
        return QString();
    }
    QString path;
    // Two pages kept in the same second get distinct names; a name taken is never reused.
    for (int copy = 1; copy < 1000 && path.isEmpty(); ++copy) {
        const QString candidate = folder + u'/' + keptPictureName(when, category, number, copy);
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) {
            path = candidate;
        }
    }
    if (path.isEmpty()) {
        return QString();
    }
    QImage shown = picture;
    if (picture.hasAlphaChannel()) {
        shown = QImage(picture.size(), QImage::Format_RGB32);
        shown.fill(Qt::white);
        QPainter painter(&shown);
        painter.drawImage(0, 0, picture);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QString();
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(shown) || !file.commit()) {
        return QString();
    }
    return path;
}

void boundGallery(const QString& folder, GalleryBound bound)
{
    struct Kept {
        QDateTime made;
        QString path;
        qint64 bytes;
    };
    QList<Kept> kept;
    qint64 total = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        const std::optional<QDateTime> made = keptPictureTime(entry.fileName());
        if (made && !entry.isSymLink()) {
            kept.append({*made, entry.absoluteFilePath(), entry.size()});
            total += entry.size();
        }
    }
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) {
        return a.made != b.made ? a.made < b.made : a.path < b.path;
    });
    qsizetype count = kept.size();
    for (const Kept& oldest : kept) {
        if (count <= bound.pictures && total <= bound.bytes) {
            break;
        }
        if (QFile::remove(oldest.path)) {
            --count;
            total -= oldest.bytes;
        }
    }
}

QList<GalleryDay> listGallery(const QString& folder)
{
    QList<GalleryPicture> pictures;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Readable | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.size() > largestFile) {
            continue;
        }
        QImageReader reader(entry.absoluteFilePath());
        const QSize size = reader.size();
        if (!reader.canRead() || !size.isValid() ||
            qint64(size.width()) * size.height() > largestPixelCount) {
            continue;
        }
        const QDateTime made = keptPictureTime(entry.fileName()).value_or(entry.lastModified());
        pictures.append({entry.absoluteFilePath(), made, size});
    }
    std::sort(pictures.begin(), pictures.end(),
              [](const GalleryPicture& a, const GalleryPicture& b) {
                  return a.made != b.made ? a.made > b.made : a.path > b.path;
              });
    QList<GalleryDay> days;
    for (const GalleryPicture& picture : pictures) {
        if (days.isEmpty() || days.last().day != picture.made.date()) {
            days.append({picture.made.date(), {}});
        }
        days.last().pictures.append(picture);
    }
    return days;
}

QRect fitCentred(QSize picture, QRect area)
{
    if (picture.isEmpty() || area.isEmpty()) {
        return QRect();
    }
    const QSize fitted = picture.scaled(area.size(), Qt::KeepAspectRatio);
    const QPoint offset((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2);
    return QRect(area.topLeft() + offset, fitted);
}

QString galleryProblem(const QString& folder)
{
    const QFileInfo existing = nearestExisting(folder);
    if (!existing.exists()) {
        return QStringLiteral("No se encuentra la carpeta «%1».").arg(folder);
    }
    if (!existing.isDir()) {
        return QStringLiteral(
                   "«%1» es un archivo, no una carpeta: los dibujos no se pueden guardar "
                   "ahí. Cámbiele el nombre o muévalo a otro sitio.")
            .arg(existing.absoluteFilePath());
    }
    if (!existing.isWritable()) {
        return QStringLiteral("No se puede escribir en la carpeta «%1»: los dibujos no se guardan. "
                              "Compruebe sus permisos.")
            .arg(existing.absoluteFilePath());
    }
    const QStorageInfo disk(existing.absoluteFilePath());
    if (disk.isValid() && disk.bytesAvailable() < leastFreeBytes) {
        return QStringLiteral("El disco de la carpeta «%1» está lleno: los dibujos no se guardan. "
                              "Libere espacio o borre dibujos antiguos.")
            .arg(existing.absoluteFilePath());
    }
    return QString();
}

} // namespace cuaderno
