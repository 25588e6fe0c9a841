// SPDX-License-Identifier: GPL-3.0-or-later
// importar: each picture file becomes the next drawing of a category.

#include "commands.h"

#include "importer.h"
#include "library/library.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>

#include <cstdio>

namespace cuaderno::biblioteca {
namespace {

// The canvas of the screen this runs on; the fixed default where there is none.
QSize screenBounds()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || QGuiApplication::platformName() == u"offscreen")
        return importer::defaultBounds;
    return importer::canvasBounds(screen->size(), 1440.0f / float(screen->logicalDotsPerInch()));
}

// The size and kind of drawing asked with --tamaño and --tipo.
Outcome<importer::PrepareOptions> prepareOptions(const Arguments& arguments)
{
    importer::PrepareOptions options;
    options.bounds = screenBounds();
    if (arguments.options.contains(QStringLiteral("tamano"))) {
        const QString text = arguments.options.value(QStringLiteral("tamano"));
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("^(\\d{2,4})[x×X](\\d{2,4})$")).match(text);
        const auto width = parseNumber(size.captured(1), 16, 8000);
        const auto height = parseNumber(size.captured(2), 16, 8000);
        if (!size.hasMatch() || !width || !height)
            return Failure{QStringLiteral("El tamaño «%1» no vale: escriba ANCHOxALTO en píxeles, "
                                          "por ejemplo 800x520.")
                               .arg(text)};
        options.bounds = QSize(*width, *height);
    }
    const QString kind = arguments.options.value(QStringLiteral("tipo"), QStringLiteral("auto"));
    if (kind == u"color")
        options.kind = importer::ForcedKind::Coloured;
    else if (kind == u"contornos")
        options.kind = importer::ForcedKind::Outlines;
    else if (kind != u"auto")
        return Failure{
            QStringLiteral("El tipo «%1» no existe: use auto, color o contornos.").arg(kind)};
    return options;
}

// Pictures are prepared on all cores, a few at a time, and each is added as soon as it and
// those before it are ready: a batch stopped midway keeps what it added. Returns how many
// pictures were not added.
int addAll(Library& library, int category, const QStringList& files,
           const importer::PrepareOptions& options)
{
    int failures = 0;
    const auto addOne = [&](qsizetype index, const Outcome<importer::Prepared>& prepared) {
        if (prepared) {
            for (const QString& warning : prepared.value().warnings)
                say(warning);
        }
        const Outcome<int> added = prepared
                                       ? importer::addToLibrary(library, category, prepared.value())
                                       : Outcome<int>(prepared.failure());
        if (added) {
            std::printf("«%s» es ahora el dibujo %d de la categoría %d.\n",
                        qPrintable(files[index]), added.value(), category);
            std::fflush(stdout);
        } else {
            say(added.error());
            ++failures;
        }
        return true; // a picture that fails does not stop the others
    };
    importer::prepareInOrder(files, options, addOne);
    return failures;
}

} // namespace

int importar(const QStringList& argumentList)
{
    const Arguments arguments =
        parseArguments(argumentList, {QStringLiteral("carpeta"), QStringLiteral("categoria"),
                                      QStringLiteral("tamano"), QStringLiteral("tipo")});
    if (!arguments.error.isEmpty())
        return fail(arguments.error, exitUsage);
    const QString categoryText = arguments.options.value(QStringLiteral("categoria"));
    const auto category = parseNumber(categoryText, Library::firstCategory, Library::lastCategory);
    if (!category)
        return fail(
            categoryText.isEmpty()
                ? QStringLiteral("Falta --categoría N, un número del 1 al 10.")
                : QStringLiteral("La categoría «%1» no existe: van del 1 al 10.").arg(categoryText),
            exitUsage);

    const Outcome<importer::PrepareOptions> prepared = prepareOptions(arguments);
    if (!prepared)
        return fail(prepared.error(), exitUsage);
    const importer::PrepareOptions& options = prepared.value();
    if (arguments.positional.isEmpty())
        return fail(QStringLiteral("Diga qué imágenes quiere añadir; por ejemplo: "
                                   "«cuaderno-biblioteca importar --categoría 3 gato.png»"),
                    exitUsage);

    const Outcome<QString> folder = libraryToChange(arguments);
    if (!folder)
        return fail(folder.error());
    Library library(folder.value());
    return addAll(library, *category, arguments.positional, options) > 0 ? exitProblem : 0;
}

} // namespace cuaderno::biblioteca
