// SPDX-License-Identifier: GPL-3.0-or-later
// The gallery: names of kept pictures, writing them, the bound, the switch, the listing.

#include "gallery/gallery.h"
#include "gallery/gallerykeeper.h"
#include "gallerypage/gallerypage.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPrinter>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace cuaderno;
using namespace Qt::StringLiterals;

namespace {

const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0, 0));

QImage plain(QSize size, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

// A PNG at folder/name; its size on disk.
qint64 png(const QString& folder, const QString& name, QSize size = {8, 6})
{
    plain(size, Qt::red).save(folder + u'/' + name, "PNG");
    return QFileInfo(folder + u'/' + name).size();
}

} // namespace

class TestGallery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qputenv("HOME", home_.path().toLocal8Bit());
        qputenv("CUPS_SERVER", QFile::encodeName(home_.filePath(u"no-cups.sock"_s)));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home_.path());
    }
    void names_data();
    void names();
    void sameSecondKeepsBoth();
    void bound_data();
    void bound();
    void keepingSwitch_data();
    void keepingSwitch();
    void listing();
    void fitCentred_data();
    void fitCentred();
    void page();

private:
    QTemporaryDir home_;
};

void TestGallery::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QDateTime>("made"); // invalid: not a name the book gives

    QTest::newRow("book's") << u"2026-12-06 12.00.00 - 3-7.png"_s << noon;
    QTest::newRow("second copy") << keptPictureName(noon, 10, 123, 2) << noon;
    QTest::newRow("parent's") << u"playa.png"_s << QDateTime();
    QTest::newRow("month 13") << u"2026-13-06 12.00.00 - 3-7.png"_s << QDateTime();
    QTest::newRow("copy 0") << u"2026-12-06 12.00.00 - 3-7 (0).png"_s << QDateTime();
}

void TestGallery::names()
{
    QFETCH(QString, name);
    QFETCH(QDateTime, made);
    QCOMPARE(keptPictureTime(name).value_or(QDateTime()), made);
}

void TestGallery::sameSecondKeepsBoth()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u"/Imágenes/Cuaderno"_s;
    const QImage blue = plain({20, 10}, Qt::blue);
    const QString a = writeKeptPicture(
        folder, plain({20, 10}, Qt::transparent, QImage::Format_ARGB32), noon, 3, 7);
    const QString b = writeKeptPicture(folder, blue, noon, 3, 7);
    QCOMPARE(a, folder + u"/2026-12-06 12.00.00 - 3-7.png"_s);
    QCOMPARE(b, folder + u"/2026-12-06 12.00.00 - 3-7 (2).png"_s);
    QCOMPARE(QImage(a).pixelColor(4, 4), QColor(Qt::white)); // as the canvas shows it
    QCOMPARE(QImage(b).convertToFormat(QImage::Format_RGB32), blue);
    QVERIFY(writeKeptPicture(a, blue, noon, 1, 1).isEmpty()); // the folder is a file
}

void TestGallery::bound_data()
{
    QTest::addColumn<int>("pictures"); // the book's, a minute apart, oldest first
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("bytesLimitInPictures");
    QTest::addColumn<int>("left"); // the newest stay

    QTest::newRow("within") << 3 << 3 << 10 << 3;
    QTest::newRow("one too many") << 4 << 3 << 10 << 3;
    QTest::newRow("bytes first") << 5 << 10 << 2 << 2;
    QTest::newRow("count first") << 5 << 1 << 3 << 1;
}

void TestGallery::bound()
{
    QFETCH(int, pictures);
    QFETCH(int, limit);
    QFETCH(int, bytesLimitInPictures);
    QFETCH(int, left);

    QTemporaryDir dir;
    QStringList names;
    qint64 size = 0;
    for (int i = 0; i < pictures; ++i) {
        // Categories run backwards, so that only the times in the names can order them.
        names.append(keptPictureName(noon.addSecs(60 * i), std::uint8_t(9 - i), 1));
        size = png(dir.path(), names.last(), {64, 64});
    }
    // A parent's pictures, older and larger than all, one named almost like the book's.
    const QStringList parents{u"2020-01-01 00.00.00 - 1-1.PNG"_s, u"2025 abuela.png"_s};
    for (const QString& name : parents) {
        png(dir.path(), name, {300, 300});
    }
    boundGallery(dir.path(), {limit, size * bytesLimitInPictures});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
             parents + names.mid(pictures - left));
}

void TestGallery::keepingSwitch_data()
{
    QTest::addColumn<QVariant>("setting"); // null: never set
    QTest::addColumn<int>("written");

    QTest::newRow("never set") << QVariant() << 1;
    QTest::newRow("on") << QVariant(true) << 1;
    QTest::newRow("off") << QVariant(false) << 0;
}

void TestGallery::keepingSwitch()
{
    QFETCH(QVariant, setting);
    QFETCH(int, written);

    QSettings settings(settingsOrganisation(), settingsApplication());
    settings.clear();
    if (!setting.isNull()) {
        switchKeeping(settings, setting.toBool());
    }
    QTemporaryDir dir;
    GalleryKeeper(dir.path()).keep(plain({30, 20}, Qt::magenta), 2, 5); // waits as it ends
    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), written);
    QVERIFY(files.join(u'|').endsWith(written ? u" - 2-5.png"_s : QString()));
}

void TestGallery::listing()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QDateTime yesterday = noon.addDays(-1);
    const QStringList pictures{keptPictureName(noon.addSecs(5), 1, 3), keptPictureName(noon, 1, 2),
                               u"recuerdo.png"_s, keptPictureName(yesterday, 1, 1)};
    for (const QString& name : pictures) {
        png(folder, name);
    }
    QFile photo(folder + u"/recuerdo.png"_s); // a parent's, dated by the file
    QVERIFY(photo.open(QIODevice::ReadWrite) &&
            photo.setFileTime(noon.addSecs(-60), QFileDevice::FileModificationTime));
    photo.close();
    // Not pictures, or too large to open safely: left out, quietly.
    QFile text(folder + u"/nota.png"_s);
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("no es un dibujo") > 0);
    text.close();
    QDir(folder).mkdir(u"carpeta.png"_s);
    QVERIFY(plain({9000, 8000}, Qt::black, QImage::Format_Mono).save(folder + u"/enorme.png"_s));

    const QList<GalleryDay> days = listGallery(folder);
    QCOMPARE(days.size(), 2);
    QCOMPARE(days[0].day, noon.date());
    QCOMPARE(days[1].day, yesterday.date());
    QStringList order;
    for (const GalleryDay& day : days) {
        for (const GalleryPicture& picture : day.pictures) {
            order.append(QFileInfo(picture.path).fileName());
        }
    }
    QCOMPARE(order, pictures);
    QCOMPARE(days[0].pictures[0].size, QSize(8, 6));
}

void TestGallery::fitCentred_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("page");
    QTest::addColumn<QRect>("fitted");

    QTest::newRow("wide on tall") << QSize(200, 100) << QRect(10, 20, 100, 300)
                                  << QRect(10, 145, 100, 50);
    QTest::newRow("tall on wide") << QSize(100, 200) << QRect(0, 0, 300, 100)
                                  << QRect(125, 0, 50, 100);
    QTest::newRow("small, enlarged")
        << QSize(4, 3) << QRect(0, 0, 400, 400) << QRect(0, 50, 400, 300);
    QTest::newRow("same shape") << QSize(8, 6) << QRect(5, 5, 16, 12) << QRect(5, 5, 16, 12);
    QTest::newRow("no picture") << QSize() << QRect(0, 0, 10, 10) << QRect();
}

void TestGallery::fitCentred()
{
    QFETCH(QSize, picture);
    QFETCH(QRect, page);
    QFETCH(QRect, fitted);
    QCOMPARE(cuaderno::fitCentred(picture, page), fitted);
}

void TestGallery::page()
{
    QTemporaryDir dir;
    png(dir.path(), keptPictureName(noon.addDays(-2), 2, 2));
    png(dir.path(), keptPictureName(noon, 1, 1), {300, 100});
    QSettings(settingsOrganisation(), settingsApplication()).clear();
    GalleryPage page(dir.path());
    QCOMPARE(page.list()->topLevelItemCount(), 2); // one heading a day, the newest first
    QTreeWidgetItem* newest = page.list()->topLevelItem(0)->child(0);
    QCOMPARE(QFileInfo(newest->data(0, Qt::UserRole).toString()).fileName(),
             keptPictureName(noon, 1, 1));
    QVERIFY(page.problem()->isHidden());
    page.keepingSwitch()->click();
    QVERIFY(!keepingSwitchedOn(QSettings(settingsOrganisation(), settingsApplication())));

    page.list()->setCurrentItem(newest);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + u"/dibujo.pdf"_s);
    QVERIFY(printFitted(printer, QImage(page.chosenPicture())));
    QFile pdf(printer.outputFileName());
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");

    GalleryPage onFile(page.chosenPicture() + u"/Cuaderno"_s);
    QVERIFY(onFile.problem()->text().contains(u"es un archivo"_s));
}

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
