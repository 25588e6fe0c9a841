// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plays a WAV file without waiting; a new sound cuts off the one still playing.

#include <QString>

namespace cuaderno {

class Sound {
public:
    virtual ~Sound() = default;
    // A missing or unreadable file plays the system's default sound instead.
    virtual void play(const QString& path) = 0;
};

} // namespace cuaderno
