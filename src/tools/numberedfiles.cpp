// SPDX-License-Identifier: GPL-3.0-or-later
#include "numberedfiles.h"

#include "platform/directorylookup.h"
#include "platform/units.h"

namespace cuaderno {

NumberedFiles::NumberedFiles(QString folder, QString extension)
    : folder_(std::move(folder)), extension_(std::move(extension))
{}

QString NumberedFiles::path(const QString& appFolder, std::int16_t number) const
{
    return appFolder + folder_ + QString::number(number) + extension_;
}

bool NumberedFiles::advance(std::int16_t& number, const QString& appFolder, QString& error) const
{
    if (!checkedIncrement(number)) {
        error = QStringLiteral("No hay número para el archivo que sigue a «%1».")
                    .arg(path(appFolder, number));
        return false;
    }
    // The test goes through the upper-cased name and the load through the name as built;
    // the lookup is blind to letter case, so both reach the same file. The application
    // folder is left as it is: upper-casing is not one letter for one ("weiß" gives
    // "WEISS", "ılık" gives "ILIK"), and no case-blind match leads back from those.
    const QString under = folder_ + QString::number(number) + extension_;
    if (DirectoryLookup::find(appFolder + under.toUpper()).isEmpty()) {
        number = 1;
    }
    return true;
}

const NumberedFiles& brushPictures()
{
    static const NumberedFiles files(QStringLiteral("/medida/"), QStringLiteral(".gif"));
    return files;
}

const NumberedFiles& pointerIcons()
{
    static const NumberedFiles files(QStringLiteral("/punteros/"), QStringLiteral(".ico"));
    return files;
}

} // namespace cuaderno
