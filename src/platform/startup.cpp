// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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

void returnLargeBlocksWhenFreed()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

bool graphicalDisplayOrAdvice(const char* advice)
{
    if (std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr ||
        std::getenv("QT_QPA_PLATFORM") != nullptr) {
        return true;
    }
    std::fputs(advice, stderr);
    return false;
}

} // namespace cuaderno
