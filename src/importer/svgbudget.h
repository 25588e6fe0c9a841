// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an SVG would make Qt build and draw, counted while the document is read, so that a
// document far beyond any real drawing is refused before Qt's trees (walked recursively) or
// its renderer see it.

#include <QHash>
#include <QString>
#include <QXmlStreamReader>

#include <optional>
#include <vector>

namespace cuaderno::importer {

// Far above real drawings (the sample drawings and the program's own art reach 4 levels,
// 83 elements and 4 <use>), far below what hurts: a few hundred levels overflow a thread's
// stack in Qt's recursive walks under the sanitizers; hundreds of thousands of elements take
// gigabytes in Qt's trees; shapes drawn again by <use> inside <use> multiply exponentially.
inline constexpr int maxSvgDepth = 128;
inline constexpr qsizetype maxSvgElements = 100'000;
inline constexpr double maxSvgCopies = 50'000; // elements <use> draws again, nested ones multiplied
// Embedded pictures are decoded whole, each one under the image limit: their number and their
// pixels together are bounded too.
inline constexpr int maxEmbeddedPictures = 16;
inline constexpr qint64 maxEmbeddedPixels = 64'000'000;

class SvgBudget {
public:
    explicit SvgBudget(QString quotedFile) : file_(std::move(quotedFile))
    {
        scopes_.push_back({{}, {}, 0});
    }

    // At each start element and its end; a start element may give the refusal, in Spanish.
    std::optional<QString> open(const QXmlStreamReader& reader);
    void close();
    // After the last element: the refusal of what only the whole document shows.
    std::optional<QString> finish() const;

private:
    // An element with an id (a <use> may draw it again), or the document itself (index 0).
    struct Scope {
        std::vector<int> inner; // scopes nested inside
        QStringList targets;    // ids drawn by the <use> elements directly inside
        qsizetype firstElement; // elements_ when it opened, and when it closed (-1: still open)
        qsizetype endElement = -1;
    };
    // The element that opened a scope closes it.
    struct Open {
        int scope;
        bool owner;
    };
    std::optional<QString> picture(QStringView href);
    std::optional<QString> checkViewBox(QStringView value) const;
    std::optional<QString> checkSize(const QXmlStreamReader& reader) const;

    double drawnAgain(int scope, const std::vector<double>& copies) const;

    QString file_;
    std::vector<Scope> scopes_;
    // Every element with each id: Qt may draw any of them for a <use> (the last one before it,
    // or the last of the document), so the largest counts.
    QHash<QString, std::vector<int>> ids_;
    std::vector<Open> open_;
    qsizetype elements_ = 0;
    int pictures_ = 0;
    qint64 pixels_ = 0;
};

} // namespace cuaderno::importer
