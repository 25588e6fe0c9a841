// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "booklet/booklet.h"
#include "library/library.h"
#include "platform/spanish.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace cuaderno::biblioteca {

namespace {

struct Request {
    QList<int> categories;
    QList<int> numbers; // empty: every drawing of each category
    booklet::Options options;
    QString output;
};

std::optional<QList<int>> parseNumbers(const QStringList& texts, int high)
{
    QList<int> numbers;
    for (const QString& text : texts) {
        const std::optional<int> number = parseNumber(text.trimmed(), 1, high);
        if (!number) {
            return std::nullopt;
        }
        numbers.append(*number);
    }
    return numbers;
}

Outcome<Request> readRequest(const Arguments& arguments)
{
    Request request;
    QStringList categories = arguments.options.values(QStringLiteral("categoria"));
    std::reverse(categories.begin(), categories.end());
    const auto chosen = parseNumbers(categories, Library::lastCategory);
    if (!chosen || chosen->isEmpty()) {
        return Failure{QStringLiteral("Diga al menos una --categoría, un número del 1 al 10.")};
    }
    request.categories = *chosen;
    if (arguments.options.contains(QStringLiteral("dibujos"))) {
        const auto numbers =
            parseNumbers(arguments.options.value(QStringLiteral("dibujos")).split(u','), 32767);
        if (!numbers) {
            return Failure{
                QStringLiteral("--dibujos lleva números separados por comas, como 1,4,7.")};
        }
        request.numbers = *numbers;
    }
    const QString paper = arguments.options.value(QStringLiteral("papel")).toLower();
    if (paper == u"carta") {
        request.options.paper = QPageSize::Letter;
    } else if (paper == u"a4") {
        request.options.paper = QPageSize::A4;
    } else if (paper.isEmpty()) {
        request.options.paper = booklet::defaultPaper();
    } else {
        return Failure{QStringLiteral("--papel es A4 o carta.")};
    }
    request.options.cover = !arguments.options.contains(QStringLiteral("sin-portada"));
    request.options.nameAndDateLine = arguments.options.contains(QStringLiteral("con-pie"));
    request.output = arguments.options.value(QStringLiteral("salida"));
    if (request.output.isEmpty()) {
        return Failure{QStringLiteral("Diga con --salida en qué archivo PDF se escribe.")};
    }
    return request;
}

// The drawings asked for; a category without any is named on standard error.
QList<booklet::Drawing> chosenDrawings(const Library& library, const Request& request)
{
    QList<booklet::Drawing> drawings;
    for (const int category : request.categories) {
        const int last = library.lastDrawingNumber(category);
        if (last == 0) {
            say(QStringLiteral("La categoría %1 no tiene dibujos.").arg(category));
            continue;
        }
        QList<int> numbers = request.numbers;
        if (numbers.isEmpty()) {
            for (int n = 1; n <= last; ++n) {
                numbers.append(n);
            }
        }
        for (const int number : std::as_const(numbers)) {
            drawings.append({category, number});
        }
    }
    return drawings;
}

} // namespace

int cuadernillo(const QStringList& argumentList)
{
    const Arguments arguments = parseArguments(
        argumentList,
        {QStringLiteral("carpeta"), QStringLiteral("categoria"), QStringLiteral("dibujos"),
         QStringLiteral("papel"), QStringLiteral("salida")},
        {QStringLiteral("sin-portada"), QStringLiteral("con-pie")});
    if (!arguments.error.isEmpty()) {
        return fail(arguments.error, exitUsage);
    }
    if (!arguments.positional.isEmpty()) {
        return fail(QStringLiteral("La orden cuadernillo no lleva argumentos sueltos: %1.")
                        .arg(arguments.positional.join(u' ')),
                    exitUsage);
    }
    const Outcome<Request> request = readRequest(arguments);
    if (!request) {
        return fail(request.error(), exitUsage);
    }
    const QString folder = libraryToRead(arguments);
    if (!QFileInfo(folder).isDir()) {
        return fail(
            QStringLiteral("La carpeta «%1» no existe.").arg(QDir::toNativeSeparators(folder)));
    }
    const Library library(folder);
    const QList<booklet::Drawing> drawings = chosenDrawings(library, request.value());
    if (drawings.isEmpty()) {
        return fail(QStringLiteral("No hay ningún dibujo que imprimir; no se ha escrito el PDF."));
    }
    const booklet::Listener listener{{},
                                     [](const QString& problem) {
                                         say(problem +
                                             QStringLiteral(" Se deja fuera del cuadernillo."));
                                     },
                                     [](const QString& warning) { say(warning); }};
    const QString& output = request.value().output;
    const Outcome<int> pages =
        booklet::writePdf(output, library, drawings, request.value().options, listener);
    if (!pages) {
        return fail(pages.error());
    }
    std::printf("%s\n",
                qPrintable(plural(pages.value(), QStringLiteral("Se ha escrito «%2»: %1 página."),
                                  QStringLiteral("Se ha escrito «%2»: %1 páginas."))
                               .arg(QDir::toNativeSeparators(output))));
    return 0;
}

} // namespace cuaderno::biblioteca
