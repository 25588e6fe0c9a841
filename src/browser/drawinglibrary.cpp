// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawinglibrary.h"

#include "platform/directorylookup.h"
#include "platform/units.h"

#include <QFileInfo>

#include <string>
#include <vector>

namespace cuaderno {

namespace {

const QString gif = QStringLiteral(".GIF");
const QString jpg = QStringLiteral(".JPG");

// The reported name must be the number's own digits: 07.GIF is not drawing 7.
bool reportsNumber(const QString& path, std::int16_t n, const QString& extension)
{
    return DirectoryLookup::find(path).toUpper() == QString::number(n) + extension;
}

} // namespace

int DrawingLibrary::drawingNumberOf(std::string_view name)
{
    const std::size_t dot = name.find('.');
    if (dot == 0 || dot == std::string::npos || dot > 5 || name[0] == '0' ||
        name.size() != dot + 4) {
        return 0;
    }
    int n = 0;
    for (std::size_t i = 0; i < dot; ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return 0;
        }
        n = n * 10 + (name[i] - '0');
    }
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return (extension == "gif" || extension == "jpg") && n <= 32767 ? n : 0;
}

QString DrawingLibrary::colouredDrawingPath(std::uint8_t category, std::int16_t n,
                                            const QString& extension) const
{
    return appFolder_ + QStringLiteral("/dibujos/") + QString::number(category) +
           QStringLiteral("/si coloreado/") + QString::number(n) + extension;
}

QString DrawingLibrary::uncolouredDrawingPath(std::uint8_t category, std::int16_t n) const
{
    return appFolder_ + QStringLiteral("/dibujos/") + QString::number(category) +
           QStringLiteral("/no coloreado/") + QString::number(n) + gif;
}

bool DrawingLibrary::drawingExists(std::uint8_t category, std::int16_t n) const
{
    // Both lookups are made, GIF first, whatever the first one found.
    const bool asGif = reportsNumber(colouredDrawingPath(category, n, gif), n, gif);
    const bool asJpg = reportsNumber(colouredDrawingPath(category, n, jpg), n, jpg);
    return asGif || asJpg;
}

QString DrawingLibrary::drawingExtension(std::uint8_t category, std::int16_t n) const
{
    if (!DirectoryLookup::find(colouredDrawingPath(category, n, gif)).isEmpty()) {
        return gif;
    }
    if (!DirectoryLookup::find(colouredDrawingPath(category, n, jpg)).isEmpty()) {
        return jpg;
    }
    return {};
}

std::int16_t DrawingLibrary::lastDrawingNumber(std::uint8_t category) const
{
    // The folder is found as the lookups find it (through drawing 1), then listed once: a
    // stat per number would cost more than the listing, which the scan needs anyway at the
    // first number that is not there under the name the scan forms.
    QString first = DirectoryLookup::resolve(colouredDrawingPath(category, 1, gif));
    if (first.isEmpty()) {
        first = DirectoryLookup::resolve(colouredDrawingPath(category, 1, jpg));
    }
    if (first.isEmpty()) {
        return 0;
    }
    std::vector<bool> listed(32768, false); // by number
    for (const std::string& name : DirectoryLookup::fileNames(QFileInfo(first).path())) {
        listed[std::size_t(drawingNumberOf(name))] = true;
    }
    std::int16_t i = 1;
    while (listed[std::size_t(i)]) {
        // A folder with every number up to the top of the range ends the scan there.
        if (!checkedIncrement(i)) {
            return i;
        }
    }
    return std::int16_t(i - 1);
}

} // namespace cuaderno
