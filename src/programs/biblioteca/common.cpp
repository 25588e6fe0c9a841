// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "library/library.h"
#include "platform/libraryfolder.h"
#include "platform/spanish.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace cuaderno::biblioteca {

namespace {

// The option as the sub-commands know it: written with or without its accent.
QString plainOption(QString name)
{
    name = name.normalized(QString::NormalizationForm_C);
    if (name == u"categoría" || name == u"tamaño") {
        name.replace(u'í', u'i').replace(u'ñ', u'n');
    }
    return name;
}

} // namespace

Arguments parseArguments(const QStringList& arguments, const QStringList& knownOptions,
                         const QStringList& knownFlags)
{
    Arguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(u"--")) {
            parsed.positional.append(argument);
            continue;
        }
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = plainOption(argument.mid(2, equals < 0 ? -1 : equals - 2));
        if (knownFlags.contains(name) && equals < 0) {
            parsed.options.insert(name, QString());
            continue;
        }
        if (!knownOptions.contains(name)) {
            parsed.error = QStringLiteral("La opción %1 no existe para esta orden.").arg(argument);
            return parsed;
        }
        if (equals >= 0) {
            parsed.options.insert(name, argument.mid(equals + 1));
        } else if (i + 1 < arguments.size()) {
            parsed.options.insert(name, arguments[++i]);
        } else {
            parsed.error = QStringLiteral("Falta el valor de %1.").arg(argument);
            return parsed;
        }
    }
    return parsed;
}

void say(const QString& message)
{
    std::fprintf(stderr, "cuaderno-biblioteca: %s\n", qPrintable(sentence(message)));
}

int fail(const QString& message, int status)
{
    say(message);
    return status;
}

std::optional<int> parseNumber(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

QString libraryToRead(const Arguments& arguments)
{
    const QString given = arguments.options.value(QStringLiteral("carpeta"));
    return LibraryFolders::forThisUser().chosen(given.isEmpty() ? given
                                                                : QDir(given).absolutePath());
}

Outcome<QString> libraryToChange(const Arguments& arguments)
{
    const QString given = arguments.options.value(QStringLiteral("carpeta"));
    if (!given.isEmpty()) {
        if (!QFileInfo(given).isDir()) {
            return Failure{
                QStringLiteral("La carpeta «%1» no existe.").arg(QDir::toNativeSeparators(given))};
        }
        return QDir(given).absolutePath();
    }
    const LibraryFolders folders = LibraryFolders::forThisUser();
    const Outcome<void> made = Library::ensureUserLibrary(folders.user, folders.system);
    if (!made) {
        return made.failure();
    }
    return folders.user;
}

} // namespace cuaderno::biblioteca
