// SPDX-License-Identifier: GPL-3.0-or-later
// Any file as a picture to import: read from a private temporary folder by the importer's
// loading step, which sniffs, checks and decodes it.
#include "fuzzapp.h"
#include "loading.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {
QString path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cuaderno::fuzz::startApplication();
    static QTemporaryDir folder;
    path = folder.filePath(u"imagen"_qs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace cuaderno;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        __builtin_trap();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    const Outcome<importer::Source> loaded = importer::load(path, QSize(800, 520));
    // A picture loaded has pixels or a document, and a size; a refusal always says why.
    if (loaded ? loaded.value().size.isEmpty() ||
                     (loaded.value().image.isNull() && loaded.value().svg.isEmpty())
               : loaded.error().isEmpty())
        __builtin_trap();
    return 0;
}
