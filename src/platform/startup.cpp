// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QLibraryInfo>
#include <QTranslator>

namespace cuaderno {

void prepareApplication(QCoreApplication& app)
{
    QImageReader::setAllocationLimit(imageAllocationLimitMb);
    // Without the translation package Qt's texts simply stay in English.
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_es"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

} // namespace cuaderno
