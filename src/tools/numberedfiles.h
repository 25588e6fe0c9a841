// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbered files in one folder of the data tree (brush pictures, pointer icons), meant to
// run from 1 upwards without gaps: the first missing number sends the cycle back to 1.

#include <QString>

#include <cstdint>

namespace cuaderno {

class NumberedFiles {
public:
    NumberedFiles(QString folder, QString extension);

    // appFolder + folder + number + extension, the number as plain decimal digits.
    QString path(const QString& appFolder, std::int16_t number) const;

    // Moves number on to the next file, or back to 1 when that file is not there (file 1
    // itself is not looked for). Only an increment past 32767 fails: number stays and
    // error says why.
    bool advance(std::int16_t& number, const QString& appFolder, QString& error) const;

private:
    QString folder_;
    QString extension_;
};

// "/medida/<n>.gif": the brush pictures, whose size is the brush's size.
const NumberedFiles& brushPictures();
// "/punteros/<n>.ico": the pointers shown over the canvas.
const NumberedFiles& pointerIcons();

} // namespace cuaderno
