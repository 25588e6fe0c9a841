// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the program's SVG artwork into PNG files at the sizes the window shows them, so
// that start-up decodes small pictures instead of parsing SVG and loading fonts.
// Usage: cuaderno_prerender <svg-dir> <png-dir> name:WxH[:opaque] ...

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fputs("uso: cuaderno_prerender <carpeta-svg> <carpeta-png> nombre:AxB[:opaco] ...\n",
                   stderr);
        return 2;
    }
    const QDir source(args.at(1));
    const QDir target(args.at(2));
    QDir().mkpath(target.path());
    for (qsizetype i = 3; i < args.size(); ++i) {
        const QStringList entry = args.at(i).split(u':');
        const QStringList size = entry.value(1).split(u'x');
        const int width = size.value(0).toInt();
        const int height = size.value(1).toInt();
        // Several sizes of one drawing are told apart by a suffix after '-'.
        const QString svgName = entry.value(0).section(u'-', 0, 0) + QStringLiteral(".svg");
        QSvgRenderer renderer(source.filePath(svgName));
        if (entry.size() < 2 || width <= 0 || height <= 0 || !renderer.isValid()) {
            std::fprintf(stderr, "cuaderno_prerender: no puedo dibujar «%s»\n",
                         qPrintable(args.at(i)));
            return 1;
        }
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        image.fill(entry.value(2) == QStringLiteral("opaque") ? Qt::white : Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
        }
        if (entry.value(2) == QStringLiteral("opaque")) {
            image = image.convertToFormat(QImage::Format_RGB32);
        }
        const QString out = target.filePath(entry.value(0) + QStringLiteral(".png"));
        if (!image.save(out, "PNG")) {
            std::fprintf(stderr, "cuaderno_prerender: no puedo escribir «%s»\n", qPrintable(out));
            return 1;
        }
    }
    return 0;
}
