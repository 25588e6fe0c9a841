// SPDX-License-Identifier: GPL-3.0-or-later
// The gallery: kept pictures' names, the keeper with its switch and bound, the listing and
// its page, fitting a picture to the printed page.

#include "datatree.h"
#include "gallery/gallery.h"
#include "gallery/gallerykeeper.h"
#include "gallerypage/gallerypage.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace cuaderno;
using namespace Qt::StringLiterals;
using test::DataTree;

namespace {

const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0, 0));
const QDateTime earlier(QDate(2021, 3, 1), QTime(9, 0, 0)); // before any test runs

QImage plain(QSize size, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

} // namespace

class TestGallery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameSecondKeepsBoth()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u"/Imágenes/Cuaderno"_s;
        const QImage blue = plain({20, 10}, Qt::blue);
        const QImage clear = plain({20, 10}, Qt::transparent, QImage::Format_ARGB32);
        const QString a = writeKeptPicture(folder, clear, noon, 3, 7);
        const QString b = writeKeptPicture(folder, blue, noon, 3, 7);
        QCOMPARE(a, folder + u"/2026-12-06 12.00.00 - 3-7.png"_s);
        QCOMPARE(b, folder + u"/2026-12-06 12.00.00 - 3-7 (2).png"_s);
        QCOMPARE(QImage(a).pixelColor(4, 4), QColor(Qt::white)); // as the canvas shows it
        QCOMPARE(QImage(b).convertToFormat(QImage::Format_RGB32), blue);
        QVERIFY(writeKeptPicture(a, blue, noon, 1, 1).isEmpty()); // the folder is a file
    }

    void keeping_data()
    {
        QTest::addColumn<QVariant>("setting"); // null: never set
        QTest::addColumn<int>("old");          // the book's, a minute apart, oldest first
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("bytesLimitInPictures");
        QTest::addColumn<int>("left"); // of the old ones, the newest stay
        QTest::addColumn<int>("written");
        QTest::newRow("never set") << QVariant() << 2 << 10 << 10 << 2 << 1;
        QTest::newRow("off") << QVariant(false) << 2 << 1 << 1 << 2 << 0;
        QTest::newRow("one too many") << QVariant(true) << 3 << 3 << 10 << 2 << 1;
        QTest::newRow("bytes first") << QVariant(true) << 4 << 10 << 2 << 1 << 1;
    }

    void keeping()
    {
        QFETCH(QVariant, setting);
        QFETCH(int, old);
        QFETCH(int, limit);
        QFETCH(int, bytesLimitInPictures);
        QFETCH(int, left);
        QFETCH(int, written);
        QSettings settings(settingsOrganisation(), settingsApplication());
        settings.clear();
        if (!setting.isNull())
            switchKeeping(settings, setting.toBool());
        DataTree tree;
        QStringList expected{u"2020-01-01 00.00.00 - 1-1.PNG"_s, u"abuela.png"_s};
        for (const QString& name : expected) // a parent's, older and larger than all
            tree.picture(name, {300, 300});
        qint64 size = 0;
        for (int i = 0; i < old; ++i) {
            // Categories run backwards, so that only the times in the names can order them.
            const QString name = keptPictureName(earlier.addSecs(60 * i), std::uint8_t(9 - i), 1);
            tree.picture(name, {64, 64});
            size = QFileInfo(tree.path(name)).size();
            if (i >= old - left)
                expected.append(name);
        }
        const QImage page = plain({64, 64}, Qt::red);
        GalleryKeeper(tree.root(), {limit, size * bytesLimitInPictures}).keep(page, 2, 5); // waits
        QStringList files = QDir(tree.root()).entryList(QDir::Files);
        const QStringList kept = files.filter(u" - 2-5.png"_s);
        QCOMPARE(kept.size(), written);
        QVERIFY(kept.isEmpty() ||
                QImage(tree.path(kept[0])).convertToFormat(page.format()) == page);
        files.removeAll(kept.value(0));
        expected.sort();
        QCOMPARE(files, expected);
    }

    void listing()
    {
        DataTree tree;
        const QString folder = tree.root();
        const QStringList pictures{keptPictureName(noon.addSecs(5), 1, 3),
                                   keptPictureName(noon, 1, 2), u"recuerdo.png"_s,
                                   keptPictureName(noon.addDays(-1), 1, 1)};
        for (const QString& name : pictures)
            tree.picture(name, {8, 6});
        QFile photo(tree.path(u"recuerdo.png"_s)); // a parent's, dated by the file
        QVERIFY(photo.open(QIODevice::ReadWrite) &&
                photo.setFileTime(noon.addSecs(-60), QFileDevice::FileModificationTime));
        // Not pictures, or too large to open safely: left out, quietly.
        tree.text(u"nota.png"_s, "no es un dibujo");
        tree.folder(u"carpeta.png"_s);
        tree.image(u"enorme.png"_s, plain({9000, 8000}, Qt::black, QImage::Format_Mono));

        QStringList order;
        for (const GalleryDay& day : listGallery(folder))
            for (const GalleryPicture& picture : day.pictures) {
                order.append(QFileInfo(picture.path).fileName());
                QCOMPARE(picture.made.date(), day.day);
            }
        QCOMPARE(order, pictures);

        // The parents' page: a heading a day, the switch bound to the setting.
        QSettings(settingsOrganisation(), settingsApplication()).clear();
        GalleryPage page(folder);
        QCOMPARE(page.list()->topLevelItemCount(), 2);
        QVERIFY(page.problem()->isHidden());
        page.list()->setCurrentItem(page.list()->topLevelItem(0)->child(0));
        QCOMPARE(page.chosenPicture(), folder + u'/' + pictures[0]);
        page.keepingSwitch()->click();
        QVERIFY(!keepingSwitchedOn(QSettings(settingsOrganisation(), settingsApplication())));
        QVERIFY(GalleryPage(page.chosenPicture()).problem()->text().contains(u"es un archivo"_s));
    }

    void pictureFitsCentred()
    {
        // Wide on tall; small, enlarged; no picture.
        QCOMPARE(fitCentred({200, 100}, {10, 20, 100, 300}), QRect(10, 145, 100, 50));
        QCOMPARE(fitCentred({3, 4}, {0, 0, 400, 400}), QRect(50, 0, 300, 400));
        QCOMPARE(fitCentred({}, {0, 0, 10, 10}), QRect());
    }
};

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
