// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps a picture the child has coloured, without making the child wait.

#include <QImage>

#include <cstdint>

namespace cuaderno {

class Keeper {
public:
    virtual ~Keeper() = default;
    // Takes a copy of picture, drawing number of category, and returns at once; a failure
    // to keep it is silent.
    virtual void keep(const QImage& picture, std::uint8_t category, std::int16_t number) = 0;
};

} // namespace cuaderno
