#include "screen.h"

#include "units.h"

#include <QGuiApplication>
#include <QScreen>

namespace cuaderno {

namespace {
QSize primarySize()
{
    const QScreen* screen = qGuiApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
    return screen != nullptr ? screen->geometry().size() : QSize(800, 600);
}
} // namespace

float QtScreen::width() const
{
    return float(primarySize().width()) * twipsPerPixel();
}

float QtScreen::height() const
{
    return float(primarySize().height()) * twipsPerPixel();
}

} // namespace cuaderno
