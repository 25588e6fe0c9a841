// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing library on disk: which numbers exist, where the scan for the last one stops
// and which extension wins.

#include "browser/drawinglibrary.h"
#include "datatree.h"
#include "platform/pictures.h"

#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

namespace {
const QString coloured = u"dibujos/1/si coloreado/"_s;
} // namespace

class TestDrawingLibrary : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void library_data()
    {
        // Names in the coloured folder ('/' at the end makes a folder), or paths from the root.
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("extension"); // of drawing 1
        QTest::addColumn<QList<int>>("above");  // drawings that exist above the first gap

        const auto row = [](const char* tag, const QString& entries, int last,
                            const QString& extension, const QList<int>& above = {}) {
            QTest::newRow(tag) << entries.split(u',', Qt::SkipEmptyParts) << last << extension
                               << above;
        };
        const QString gif = u".GIF"_s;
        row("1 to 7, mixed extensions", u"1.GIF,2.jpg,3.Gif,4.JPG,5.gif,6.Jpg,7.GIF"_s, 7, gif);
        row("gap after 2", u"1.GIF,2.GIF,4.GIF,5.GIF"_s, 2, gif, {4, 5});
        row("GIF wins over JPG", u"1.JPG,1.GIF"_s, 1, gif);
        row("only 1.jpg", u"1.jpg"_s, 1, u".JPG"_s);
        row("empty folder", u"/"_s, 0, {});
        row("no folder", {}, 0, {});
        row("only uncoloured", u"dibujos/1/no coloreado/1.GIF"_s, 0, {});
        row("hidden 3", u"1.GIF,2.GIF,.3.GIF,4.GIF"_s, 2, gif, {4});
        row("folder named 3.GIF", u"1.GIF,2.GIF,3.GIF/,4.GIF"_s, 2, gif, {4});
        row("07 is not 7", u"1.GIF,2.GIF,3.GIF,4.GIF,5.GIF,6.GIF,07.GIF,007.JPG"_s, 6, gif);
        row("folders in other letters",
            u"DIBUJOS/1/Si Coloreado/1.gif,DIBUJOS/1/Si Coloreado/2.JPG"_s, 2, gif);
    }

    void library()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, last);
        QFETCH(QString, extension);
        QFETCH(QList<int>, above);
        DataTree tree;
        for (const QString& entry : entries) {
            const QString path = entry.chopped(1).contains(u'/') ? entry : coloured + entry;
            if (path.endsWith(u'/')) {
                tree.folder(path);
            } else {
                tree.picture(path, {4, 3});
            }
        }
        const DrawingLibrary library(tree.root());

        QCOMPARE(int(library.lastDrawingNumber(1)), last);
        // The scan and the single test agree on every number around the range.
        for (std::int16_t n = -1; n <= 9; ++n) {
            QCOMPARE(library.drawingExists(1, n), (n >= 1 && n <= last) || above.contains(n));
        }
        QCOMPARE(library.drawingExtension(1, 1), extension);
        // The path in capitals opens the file whatever its letters.
        QCOMPARE(Pictures::load(library.colouredDrawingPath(1, 1, extension)).ok(),
                 !extension.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDrawingLibrary)
#include "tst_drawinglibrary.moc"
