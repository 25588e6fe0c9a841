#include "drawinglibrary.h"

#include "platform/directorylookup.h"
#include "platform/units.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace cuaderno {

namespace {

const QString gif = QStringLiteral(".GIF");
const QString jpg = QStringLiteral(".JPG");

// The reported name must be the number's own digits: 07.GIF is not drawing 7.
bool reportsNumber(const QString& path, std::int16_t n, const QString& extension)
{
    return DirectoryLookup::find(path).toUpper() == QString::number(n) + extension;
}

// Ordinary, non-hidden files of a folder, case-folded as the lookup compares names.
QSet<QString> foldedFileNames(const QString& folder)
{
    QSet<QString> names;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        if (entry.isFile() && !entry.isHidden()) {
            names.insert(entry.fileName().toCaseFolded());
        }
    }
    return names;
}

} // namespace

QString DrawingLibrary::ColouredDrawingPath(std::uint8_t category, std::int16_t n,
                                            const QString& extension) const
{
    return appFolder_ + QStringLiteral("/dibujos/") + QString::number(category) +
           QStringLiteral("/si coloreado/") + QString::number(n) + extension;
}

QString DrawingLibrary::UncolouredDrawingPath(std::uint8_t category, std::int16_t n) const
{
    return appFolder_ + QStringLiteral("/dibujos/") + QString::number(category) +
           QStringLiteral("/no coloreado/") + QString::number(n) + gif;
}

bool DrawingLibrary::DrawingExists(std::uint8_t category, std::int16_t n) const
{
    // Both lookups are made, GIF first, whatever the first one found.
    const bool asGif = reportsNumber(ColouredDrawingPath(category, n, gif), n, gif);
    const bool asJpg = reportsNumber(ColouredDrawingPath(category, n, jpg), n, jpg);
    return asGif || asJpg;
}

QString DrawingLibrary::DrawingExtension(std::uint8_t category, std::int16_t n) const
{
    if (!DirectoryLookup::find(ColouredDrawingPath(category, n, gif)).isEmpty()) {
        return gif;
    }
    if (!DirectoryLookup::find(ColouredDrawingPath(category, n, jpg)).isEmpty()) {
        return jpg;
    }
    return {};
}

std::int16_t DrawingLibrary::LastDrawingNumber(std::uint8_t category) const
{
    // Two lookups per number would list a large folder thousands of times when its names are
    // not in the plain cases. Instead the folder is found as the lookups find it (through
    // drawing 1) and listed once; the set lives only for this call.
    QString first = DirectoryLookup::resolve(ColouredDrawingPath(category, 1, gif));
    if (first.isEmpty()) {
        first = DirectoryLookup::resolve(ColouredDrawingPath(category, 1, jpg));
    }
    if (first.isEmpty()) {
        return 0;
    }
    const QSet<QString> names = foldedFileNames(QFileInfo(first).path());
    const auto exists = [&names](std::int16_t n) {
        const QString digits = QString::number(n);
        return names.contains(QString(digits + gif).toCaseFolded()) ||
               names.contains(QString(digits + jpg).toCaseFolded());
    };
    std::int16_t i = 1;
    while (exists(i)) {
        // A folder with every number up to the top of the range ends the scan there.
        if (!checkedIncrement(i)) {
            return i;
        }
    }
    return std::int16_t(i - 1);
}

} // namespace cuaderno
