// SPDX-License-Identifier: GPL-3.0-or-later
// An SVG document as an import treats it: vetted, classified, trimmed to its drawing and made
// into both versions.
#include "fuzzapp.h"
#include "lineart.h"
#include "loading.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    cuaderno::fuzz::startApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace cuaderno;
    const QByteArray svg(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!importer::vetSvg(svg, u"fuzz.svg"_qs))
        return 0;
    const lineart::Kind kind = lineart::classifySvg(svg);
    const QByteArray trimmed = lineart::trimSvg(svg);
    if (trimmed.isEmpty())
        return 0;
    const QSize bounds(400, 260);
    const lineart::ColouringPage page = kind == lineart::Kind::Outlines
                                            ? lineart::fromOutlinesSvg(trimmed, bounds)
                                            : lineart::fromColouredSvg(trimmed, bounds);
    // Both versions of a drawing always have one size.
    if (!page.isNull() && page.coloured.size() != page.uncoloured.size())
        __builtin_trap();
    return 0;
}
