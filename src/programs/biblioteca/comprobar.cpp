// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "library/checker.h"
#include "platform/spanish.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace cuaderno::biblioteca {

int comprobar(const QStringList& argumentList)
{
    const Arguments arguments = parseArguments(argumentList, {QStringLiteral("carpeta")});
    if (!arguments.error.isEmpty()) {
        return fail(arguments.error, exitUsage);
    }
    if (!arguments.positional.isEmpty()) {
        return fail(QStringLiteral("La orden comprobar no lleva más argumentos que --carpeta."),
                    exitUsage);
    }
    const QString folder = libraryToRead(arguments);
    if (!QFileInfo(folder).isDir()) {
        return fail(
            QStringLiteral("La carpeta «%1» no existe.").arg(QDir::toNativeSeparators(folder)));
    }
    const QList<Finding> findings = checkLibrary(folder);
    for (const Finding& finding : findings) {
        QString where;
        if (finding.category > 0) {
            where = QStringLiteral("Categoría %1, ").arg(finding.category);
        }
        if (finding.number > 0) {
            where += where.isEmpty() ? QStringLiteral("Número %1, ").arg(finding.number)
                                     : QStringLiteral("número %1, ").arg(finding.number);
        }
        std::printf("%s«%s»: %s\n", qPrintable(where), qPrintable(finding.file),
                    qPrintable(sentence(finding.message)));
    }
    if (!findings.isEmpty()) {
        return fail(plural(findings.size(),
                           QStringLiteral("Hay %1 problema en la biblioteca «%2»."),
                           QStringLiteral("Hay %1 problemas en la biblioteca «%2»."))
                        .arg(QDir::toNativeSeparators(folder)));
    }
    std::printf("La biblioteca «%s» está bien.\n", qPrintable(QDir::toNativeSeparators(folder)));
    return 0;
}

} // namespace cuaderno::biblioteca
