// SPDX-License-Identifier: GPL-3.0-or-later
#include "printerswitch.h"

#include "platform/directorylookup.h"
#include "platform/textfile.h"

#include <QFile>

#include <unistd.h>

namespace cuaderno {

namespace {

constexpr char packageSwitch[] = "/etc/cuaderno/impresora.txt";

// What a link says, unresolved; empty for anything else.
QByteArray linkText(const QString& path)
{
    char text[256];
    const ssize_t size = ::readlink(QFile::encodeName(path).constData(), text, sizeof text);
    return size > 0 ? QByteArray(text, size) : QByteArray();
}

} // namespace

QString printerSwitchName()
{
    return QStringLiteral("impresora.txt");
}

std::optional<QString> readPrinterSwitch(const QString& folder)
{
    const QString path = folder + u'/' + printerSwitchName();
    if (DirectoryLookup::find(path) != printerSwitchName()) {
        return std::nullopt;
    }
    return readFirstLine(DirectoryLookup::resolve(path));
}

bool printingSwitchedOn(const QString& firstLine)
{
    return firstLine.toUpper() == QStringLiteral("SI");
}

bool printingEnabled(const QString& folder)
{
    const std::optional<QString> line = readPrinterSwitch(folder);
    return line && printingSwitchedOn(*line);
}

QByteArray printerSwitchContent(bool on)
{
    return on ? QByteArrayLiteral("SI\n") : QByteArrayLiteral("NO\n");
}

std::optional<QString> packageSwitchBehind(const QString& folder)
{
    if (linkText(folder + u'/' + printerSwitchName()) != packageSwitch) {
        return std::nullopt;
    }
    return QString::fromLatin1(packageSwitch);
}

} // namespace cuaderno
