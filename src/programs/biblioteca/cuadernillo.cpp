// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "booklet/booklet.h"
#include "library/library.h"
#include "platform/spanish.h"

#include <QDir>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

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

// The outlines asked for; each one that cannot be printed is named on standard error.
QList<booklet::Outline> gatherOutlines(const Library& library, const Request& request)
{
    QList<booklet::Outline> outlines;
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
            const booklet::LoadedOutline loaded = booklet::loadOutline(library, category, number);
            if (loaded.outline) {
                outlines.append(*loaded.outline);
            } else {
                say(loaded.problem + QStringLiteral(" Se deja fuera del cuadernillo."));
            }
        }
    }
    return outlines;
}

// Written beside the target and renamed over it only when whole: a half booklet never
// replaces a good one.
int writePdf(const QList<booklet::Outline>& outlines, const Request& request)
{
    const QString shown = QDir::toNativeSeparators(request.output);
    QSaveFile file(request.output);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("No se puede escribir «%1»: compruebe que la carpeta existe y "
                                   "que usted puede escribir en ella.")
                        .arg(shown));
    }
    QString refused;
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Cuadernillo para colorear"));
        writer.setCreator(QStringLiteral("cuaderno-biblioteca"));
        refused = booklet::paint(writer, outlines, request.options);
    }
    if (!refused.isEmpty()) {
        file.cancelWriting();
        return fail(refused);
    }
    if (!file.commit()) {
        return fail(QStringLiteral("No se ha podido guardar «%1»: quizá el disco está lleno. No "
                                   "se ha cambiado nada.")
                        .arg(shown));
    }
    const qsizetype pages = outlines.size() + (request.options.cover ? 1 : 0);
    std::printf("%s\n", qPrintable(plural(pages, QStringLiteral("Se ha escrito «%2»: %1 página."),
                                          QStringLiteral("Se ha escrito «%2»: %1 páginas."))
                                       .arg(shown)));
    return 0;
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
    const QList<booklet::Outline> outlines = gatherOutlines(Library(folder), request.value());
    if (outlines.isEmpty()) {
        return fail(QStringLiteral("No hay ningún dibujo que imprimir; no se ha escrito el PDF."));
    }
    return writePdf(outlines, request.value());
}

} // namespace cuaderno::biblioteca
