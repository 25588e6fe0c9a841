// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The data trees the benchmark measures on, written once per run into a temporary folder.

#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace cuaderno::bench {

// Categories of the tree and what they hold.
constexpr int smallPageCategory = 1; // one drawing of 800 × 520
constexpr int largePageCategory = 2; // one drawing of 1920 × 1080
constexpr int scanCategoryFirst = 3; // scan categories, see scanCategory()
constexpr QSize smallPage(800, 520);
constexpr QSize largePage(1920, 1080);
constexpr int tileSide = 64;

// Scan categories hold `count` drawings, named "n.GIF" as the sample library writes them
// or "n.gif" as the scan forms them.
int scanCategory(int count, bool upperCaseNames);

class BenchData {
public:
    // Builds the tree from a sample drawing's SVG source; false with a message on failure.
    bool build(const QString& sampleSvg, QString& error);
    // The large scan categories, written on first use only (they take a few seconds).
    bool buildScanCategories(QString& error);

    const QString& root() const { return root_; }
    QString colouredPath(int category, int n, const QString& name) const;
    QString uncolouredPath(int category, int n) const;
    // A path under the tree, e.g. "fondo.gif".
    QString path(const QString& relative) const { return root_ + u'/' + relative; }

private:
    QTemporaryDir dir_;
    QString root_;
    bool scanCategoriesBuilt_ = false;
};

} // namespace cuaderno::bench
