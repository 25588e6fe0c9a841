#include "artwork.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>

namespace cuaderno {

namespace {

// Large buttons are 75 pixels square; the face leaves a small margin for the bevel.
constexpr int largeFace = 64;
constexpr int categoryFaceSide = 29;

QImage render(const QString& resource, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    return image;
}

} // namespace

QString programTitle()
{
    return QStringLiteral("Cuaderno para colorear");
}

QIcon beachBallIcon()
{
    return QIcon(QStringLiteral(":/art/pelota.svg"));
}

QImage titlePicture()
{
    QImage title = render(QStringLiteral(":/art/titulo.svg"), QSize(679, 440));
    // Opaque, so that the canvas shows exactly what was drawn.
    QImage opaque(title.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter(&opaque).drawImage(0, 0, title);
    return opaque;
}

QPixmap buttonFace(Art art)
{
    static const std::array<const char*, 5> files = {"anterior", "siguiente", "salir", "mano",
                                                     "impresora"};
    const QString name = QLatin1String(files[static_cast<std::size_t>(art)]);
    return QPixmap::fromImage(
        render(QStringLiteral(":/art/%1.svg").arg(name), QSize(largeFace, largeFace)));
}

QPixmap categoryFace(int index)
{
    return QPixmap::fromImage(
        render(QStringLiteral(":/art/categoria%1.svg").arg(index + 1, 2, 10, QLatin1Char('0')),
               QSize(categoryFaceSide, categoryFaceSide)));
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
