// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "library/checker.h"

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
        return fail(QStringLiteral("comprobar no lleva más argumentos que --carpeta"), exitUsage);
    }
    const QString folder = libraryToRead(arguments);
    if (!QFileInfo(folder).isDir()) {
        return fail(
            QStringLiteral("la carpeta %1 no existe").arg(QDir::toNativeSeparators(folder)));
    }
    const QList<Finding> findings = checkLibrary(folder);
    for (const Finding& finding : findings) {
        QString where;
        if (finding.category > 0) {
            where = QStringLiteral("categoría %1, ").arg(finding.category);
        }
        if (finding.number > 0) {
            where += QStringLiteral("número %1, ").arg(finding.number);
        }
        std::printf("%s%s: %s\n", qPrintable(where), qPrintable(finding.file),
                    qPrintable(finding.message));
    }
    if (!findings.isEmpty()) {
        return fail(QStringLiteral("%1 problema(s) en %2")
                        .arg(findings.size())
                        .arg(QDir::toNativeSeparators(folder)));
    }
    std::printf("La biblioteca %s está bien.\n", qPrintable(QDir::toNativeSeparators(folder)));
    return 0;
}

} // namespace cuaderno::biblioteca
