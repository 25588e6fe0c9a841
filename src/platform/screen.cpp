// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace cuaderno {

namespace {
const QScreen* primaryScreen()
{
    return qGuiApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
}

QSize primarySize()
{
    const QScreen* screen = primaryScreen();
    return screen != nullptr ? screen->geometry().size() : QSize(800, 600);
}
} // namespace

float twipsPerPixel()
{
    const QScreen* screen = primaryScreen();
    if (screen == nullptr || screen->logicalDotsPerInch() <= 0.0) {
        return 15.0f;
    }
    return float(1440.0 / screen->logicalDotsPerInch());
}

float QtScreen::widthTwips() const
{
    return float(primarySize().width()) * twipsPerPixel();
}

float QtScreen::heightTwips() const
{
    return float(primarySize().height()) * twipsPerPixel();
}

} // namespace cuaderno
