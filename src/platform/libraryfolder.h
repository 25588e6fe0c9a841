// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which library (data tree) a program works on, decided in one place for the book, the
// parents' window and the command line, so that what a parent adds is what the child sees.

#include <QString>
#include <QStringList>

namespace cuaderno {

// The two libraries a family can have.
struct LibraryFolders {
    // $XDG_DATA_HOME/cuaderno (an absolute XDG_DATA_HOME only), ~/.local/share/cuaderno by
    // default: made by the first change a parent makes.
    QString user;
    // The installed library, <prefix>/lib/cuaderno beside this program's <prefix>/bin; in a
    // hand build, the program's own folder, where the sample library lies.
    QString system;

    static LibraryFolders forThisUser();
    bool userExists() const;
    // The folder given with --carpeta when not empty; else the user's own library when it
    // exists; else the system's.
    QString chosen(const QString& given = {}) const;
};

// Takes --carpeta DIR (or --carpeta=DIR) out of `arguments`. Returns the folder, absolute and
// without a trailing separator, or empty when the option is absent; `error` says in Spanish
// what is wrong when the option lacks its folder or the folder does not exist.
QString takeFolderOption(QStringList& arguments, QString& error);

} // namespace cuaderno
