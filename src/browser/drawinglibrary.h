// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawings on disk: "dibujos/<category>/si coloreado/<n>.GIF or .JPG" and the uncoloured
// twin "dibujos/<category>/no coloreado/<n>.GIF". Every call asks the disk afresh, so a
// drawing added or removed while the book is open shows at the next page turn.

#include <QString>

#include <cstdint>
#include <string_view>

namespace cuaderno {

class DrawingLibrary {
public:
    explicit DrawingLibrary(QString appFolder) : appFolder_(std::move(appFolder)) {}

    // Ends with the bare number when the extension is empty.
    QString colouredDrawingPath(std::uint8_t category, std::int16_t n,
                                const QString& extension) const;
    QString uncolouredDrawingPath(std::uint8_t category, std::int16_t n) const;
    // Only the coloured folder decides whether a drawing exists.
    bool drawingExists(std::uint8_t category, std::int16_t n) const;
    // ".GIF", else ".JPG", else empty.
    QString drawingExtension(std::uint8_t category, std::int16_t n) const;
    // The last drawing before the first gap in the numbering; 0 when drawing 1 is missing.
    std::int16_t lastDrawingNumber(std::uint8_t category) const;

    // The drawing number a file name stands for when it is the number's own digits followed by
    // ".gif" or ".jpg" in any letter case (as the lookups compare it); 0 for any other name.
    static int drawingNumberOf(std::string_view name);

private:
    QString appFolder_;
};

} // namespace cuaderno
