// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What both fuzz targets share: the application the importing programs run (offscreen, with
// their image limit), made once before the first input.

#include "platform/startup.h"

#include <QGuiApplication>

#include <cstdlib>

namespace cuaderno::fuzz {

inline void startApplication()
{
    static int argc = 1;
    static char name[] = "cuaderno-fuzz";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(argc, argv);
    prepareApplication(app);
    returnLargeBlocksWhenFreed();
}

} // namespace cuaderno::fuzz
