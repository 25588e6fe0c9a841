// SPDX-License-Identifier: GPL-3.0-or-later
#include "artwork/artwork.h"

#include <array>

namespace cuaderno {

namespace {

QImage art(const QString& name)
{
    return QImage(QStringLiteral(":/art/%1.png").arg(name));
}

} // namespace

QString programTitle()
{
    return QStringLiteral("Cuaderno para colorear");
}

QIcon beachBallIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/art/pelota-32.png"));
    icon.addFile(QStringLiteral(":/art/pelota-64.png"));
    return icon;
}

QImage titlePicture()
{
    return art(QStringLiteral("titulo"));
}

QPixmap buttonFace(Art which)
{
    static const std::array<const char*, 5> files = {"anterior", "siguiente", "salir", "mano",
                                                     "impresora"};
    return QPixmap::fromImage(art(QLatin1String(files[static_cast<std::size_t>(which)])));
}

QPixmap categoryFace(int index)
{
    return QPixmap::fromImage(
        art(QStringLiteral("categoria%1").arg(index + 1, 2, 10, QLatin1Char('0'))));
}

QIcon categoryIcon(int index)
{
    const QString name =
        QStringLiteral(":/art/categoria%1").arg(index + 1, 2, 10, QLatin1Char('0'));
    QIcon icon;
    icon.addFile(name + QStringLiteral(".png"));
    icon.addFile(name + QStringLiteral("-48.png"));
    return icon;
}

QString categoryName(int index)
{
    static const std::array<const char16_t*, 10> names = {
        u"Pollitos y aves de granja", u"Gatos y mascotas",       u"Navidad",
        u"Playa y palmeras",          u"Cumpleaños y zoológico", u"Osos y bosque",
        u"Juguetes y formas",         u"Cosas de casa",          u"Familia",
        u"Desierto y paisajes"};
    if (index < 0 || index >= int(names.size())) {
        return {};
    }
    return QString::fromUtf16(names[static_cast<std::size_t>(index)]);
}

} // namespace cuaderno
