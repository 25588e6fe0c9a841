// SPDX-License-Identifier: GPL-3.0-or-later
// quitar and imprimir: the changes that need no picture.

#include "commands.h"

#include "library/library.h"
#include "platform/spanish.h"

#include <QDir>

#include <cstdio>

namespace cuaderno::biblioteca {

int quitar(const QStringList& argumentList)
{
    const Arguments arguments =
        parseArguments(argumentList, {QStringLiteral("carpeta"), QStringLiteral("categoria")});
    if (!arguments.error.isEmpty()) {
        return fail(arguments.error, exitUsage);
    }
    const QString categoryText = arguments.options.value(QStringLiteral("categoria"));
    const auto category = parseNumber(categoryText, Library::firstCategory, Library::lastCategory);
    if (!category) {
        return fail(
            categoryText.isEmpty()
                ? QStringLiteral("Falta --categoría N, un número del 1 al 10.")
                : QStringLiteral("La categoría «%1» no existe: van del 1 al 10.").arg(categoryText),
            exitUsage);
    }
    if (arguments.positional.size() != 1) {
        return fail(QStringLiteral("Diga el número de un dibujo; por ejemplo: "
                                   "«cuaderno-biblioteca quitar --categoría 3 7»"),
                    exitUsage);
    }
    const auto number = parseNumber(arguments.positional.first(), 1, 32767);
    if (!number) {
        return fail(
            QStringLiteral("«%1» no es un número de dibujo.").arg(arguments.positional.first()),
            exitUsage);
    }
    const Outcome<QString> folder = libraryToChange(arguments);
    if (!folder) {
        return fail(folder.error());
    }
    Library library(folder.value());
    const Outcome<void> removed = library.removeDrawing(*category, *number);
    if (!removed) {
        return fail(removed.error());
    }
    std::printf(
        "Se ha quitado el dibujo %d de la categoría %d, que ahora %s.\n", *number, *category,
        qPrintable(plural(library.lastDrawingNumber(*category), QStringLiteral("tiene %1 dibujo"),
                          QStringLiteral("tiene %1 dibujos"))));
    return 0;
}

int imprimir(const QStringList& argumentList)
{
    const Arguments arguments = parseArguments(argumentList, {QStringLiteral("carpeta")});
    if (!arguments.error.isEmpty()) {
        return fail(arguments.error, exitUsage);
    }
    const QString value =
        arguments.positional.size() == 1
            ? arguments.positional.first().toLower().normalized(QString::NormalizationForm_C)
            : QString();
    if (value != u"si" && value != u"sí" && value != u"no") {
        return fail(
            QStringLiteral("Diga «sí» o «no»; por ejemplo: «cuaderno-biblioteca imprimir sí»"),
            exitUsage);
    }
    const Outcome<QString> folder = libraryToChange(arguments);
    if (!folder) {
        return fail(folder.error());
    }
    const bool on = value != u"no";
    const Outcome<void> set = Library(folder.value()).setPrinting(on);
    if (!set) {
        return fail(set.error());
    }
    std::printf("El botón de imprimir está %s en la biblioteca «%s».\n",
                on ? "activado" : "desactivado",
                qPrintable(QDir::toNativeSeparators(folder.value())));
    return 0;
}

} // namespace cuaderno::biblioteca
