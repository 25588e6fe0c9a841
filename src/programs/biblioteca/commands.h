// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sub-commands of cuaderno-biblioteca and what they share. A sub-command is one function
// in a source file of its own, listed in main.cpp's table.

#include "library/outcome.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace cuaderno::biblioteca {

// Exit statuses: a problem found or a change refused, and a command line that makes no sense.
constexpr int exitProblem = 1;
constexpr int exitUsage = 2;

struct SubCommand {
    const char* name;
    const char* usage;   // the arguments after the name, for --help
    const char* summary; // one line, for --help
    int (*run)(const QStringList& arguments);
};

// Options given as "--name VALUE" or "--name=VALUE", and flags given as "--name" alone (kept
// with an empty value); anything else not starting with "--" is positional. Unknown options and
// a missing value give an error. A repeated option keeps every value (values() lists them last
// first); value() is the last one given.
struct Arguments {
    QMultiMap<QString, QString> options;
    QStringList positional;
    QString error;
};
Arguments parseArguments(const QStringList& arguments, const QStringList& knownOptions,
                         const QStringList& knownFlags = {});

// Writes "cuaderno-biblioteca: <message>" on standard error, the message made a sentence
// (capital letter, full stop), and returns status.
int fail(const QString& message, int status = exitProblem);
void say(const QString& message);

// A whole number in [low, high] read from text, or nothing.
std::optional<int> parseNumber(const QString& text, int low, int high);

// The library to read: --carpeta, or the one the book uses for this user.
QString libraryToRead(const Arguments& arguments);
// The library to change: --carpeta (which must exist), or the user's own, made from the
// system's on the first change.
Outcome<QString> libraryToChange(const Arguments& arguments);

int comprobar(const QStringList& arguments);
int quitar(const QStringList& arguments);
int imprimir(const QStringList& arguments);
int importar(const QStringList& arguments);
int cuadernillo(const QStringList& arguments);

} // namespace cuaderno::biblioteca
