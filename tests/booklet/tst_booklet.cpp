// SPDX-License-Identifier: GPL-3.0-or-later
#include "booklet/booklet.h"
#include "datatree.h"
#include "skip.h"

#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace cuaderno;
using cuaderno::test::DataTree;

namespace {

// A PDF writer that, like a printer's preview, keeps the first page's orientation throughout.
struct SteadyPdf final : QPdfWriter {
    SteadyPdf(const QString& file, bool steady) : QPdfWriter(file), steady(steady) {}
    bool setPageLayout(const QPageLayout& layout) override
    {
        return steady && paintingActive() ? false : QPdfWriter::setPageLayout(layout);
    }
    bool steady;
};

} // namespace

class TestBooklet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Sizes in inches for the sheet's printable area, in pixels for the picture.
    void sheetSizing_data()
    {
        QTest::addColumn<QSizeF>("area");
        QTest::addColumn<QSizeF>("picture");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QRectF>("fitted");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("wide drawing turns the sheet")
            << QSizeF(7.5, 11) << QSizeF(800, 520) << true << QRectF(0, 0.175, 11, 7.15)
            << QSize(3300, 2145);
        QTest::newRow("tall drawing stays upright")
            << QSizeF(7.5, 11) << QSizeF(520, 800) << false << QRectF(0.175, 0, 7.15, 11)
            << QSize(2145, 3300);
        QTest::newRow("square: upright on a tie") << QSizeF(8, 10) << QSizeF(100, 100) << false
                                                  << QRectF(0, 1, 8, 8) << QSize(2400, 2400);
        QTest::newRow("fine bitmap never scaled down")
            << QSizeF(8, 10) << QSizeF(4000, 3000) << true << QRectF(0, 0.25, 10, 7.5)
            << QSize(4000, 3000);
        QTest::newRow("empty picture")
            << QSizeF(8, 10) << QSizeF(0, 0) << false << QRectF(4, 5, 0, 0) << QSize(0, 0);
    }
    void sheetSizing()
    {
        QFETCH(QSizeF, area);
        QFETCH(QSizeF, picture);
        QFETCH(bool, landscape);
        QFETCH(QRectF, fitted);
        const bool turned = booklet::bestOrientation(area, picture) == QPageLayout::Landscape;
        QCOMPARE(turned, landscape);
        const QRectF rect =
            booklet::fitCentred(QRectF(QPointF(), turned ? area.transposed() : area), picture);
        QVERIFY2(std::abs(rect.x() - fitted.x()) + std::abs(rect.y() - fitted.y()) +
                         std::abs(rect.width() - fitted.width()) +
                         std::abs(rect.height() - fitted.height()) <
                     1e-9,
                 qPrintable(QString::number(rect.x()) + u',' + QString::number(rect.y())));
        QTEST(booklet::printPixels(picture.toSize(), rect.size(), 300), "pixels");
    }

    // Through the command: pages counted by poppler; a refused booklet leaves the old file.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("pages"); // each page's shape, P or L; empty: no PDF
        QTest::addColumn<QString>("said");
        QTest::newRow("whole category, the unreadable one left out")
            << QStringList{u"--categoria"_qs, u"1"_qs} << 0 << u"PPL"_qs
            << u"Categoría 1, dibujo 3: No se puede leer"_qs;
        QTest::newRow("chosen drawings of two categories, no cover")
            << QStringList{u"--categoria=2"_qs, u"--categoria"_qs,   u"1"_qs,       u"--dibujos"_qs,
                           u"2,1"_qs,           u"--sin-portada"_qs, u"--papel"_qs, u"carta"_qs}
            << 0 << u"LP"_qs << u"categoría 2 no tiene"_qs;
        QTest::newRow("empty category")
            << QStringList{u"--categoria"_qs, u"2"_qs} << 1 << QString() << u"categoría 2 no"_qs;
        QTest::newRow("no cover, nothing")
            << QStringList{u"--categoria=1"_qs, u"--dibujos=3"_qs, u"--sin-portada"_qs} << 1
            << QString() << u"No hay ningún dibujo"_qs;
        QTest::newRow("outline, no drawing") << QStringList{u"--categoria=1"_qs, u"--dibujos=4"_qs}
                                             << 1 << QString() << u"4: No existe."_qs;
        QTest::newRow("bad outline: the GIF")
            << QStringList{u"--categoria=1"_qs, u"--dibujos=1"_qs} << 0 << u"PP"_qs
            << u"grande. Se imprime desde su versión para colorear."_qs;
        QTest::newRow("no such folder")
            << QStringList{u"--categoria"_qs, u"1"_qs, u"--salida"_qs, u"falta/c.pdf"_qs} << 1
            << QString() << u"«falta/c.pdf»"_qs;
    }
    void commandLine()
    {
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, pages);
        QFETCH(QString, said);
        DataTree tree;
        tree.picture(u"dibujos/1/si coloreado/1.gif"_qs, QSize(80, 120));
        tree.picture(u"dibujos/1/no coloreado/1.gif"_qs, QSize(80, 120), Qt::black);
        tree.picture(u"dibujos/1/si coloreado/2.jpg"_qs, QSize(80, 120));
        tree.text(u"dibujos/1/contornos/2.svg"_qs,
                  "<svg xmlns='http://www.w3.org/2000/svg' "
                  "viewBox='0 0 300 100'><path d='M0 0L9 9'/></svg>");
        tree.text(u"dibujos/1/contornos/1.svg"_qs, QByteArray(16 << 20 | 1, ' ')); // too large
        QVERIFY(QFile::copy(tree.path(u"dibujos/1/contornos/2.svg"_qs),
                            tree.path(u"dibujos/1/contornos/4.svg"_qs)));
        tree.picture(u"dibujos/1/si coloreado/3.gif"_qs, QSize(80, 120));
        tree.text(u"dibujos/1/no coloreado/3.gif"_qs, "no es una imagen");
        tree.text(u"viejo.pdf"_qs, "viejo");
        QProcess program;
        program.setWorkingDirectory(tree.root());
        program.start(QStringLiteral(CUADERNO_BIBLIOTECA),
                      QStringList{u"cuadernillo"_qs, u"--carpeta"_qs, tree.root(), u"--salida"_qs,
                                  u"viejo.pdf"_qs} +
                          options);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), status);
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(errors.contains(said), qPrintable(errors));
        QVERIFY(!QFile::exists(tree.path(u"falta"_qs)));
        if (pages.isEmpty()) {
            QFile old(tree.path(u"viejo.pdf"_qs));
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("viejo"));
            return;
        }
        QProcess info;
        info.start(u"pdfinfo"_qs, {u"-l"_qs, u"99"_qs, tree.path(u"viejo.pdf"_qs)});
        if (!info.waitForFinished(30000) || info.exitStatus() != QProcess::NormalExit)
            CUADERNO_SKIP("pdfinfo (poppler-utils) is not installed");
        QString shapes;
        const QRegularExpression size(uR"(Page +\d+ size: +([\d.]+) x ([\d.]+))"_qs);
        for (auto it = size.globalMatch(QString::fromUtf8(info.readAllStandardOutput()));
             it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            shapes += match.captured(1).toDouble() > match.captured(2).toDouble() ? u'L' : u'P';
        }
        QCOMPARE(shapes, pages);
    }

    // Whether the device turns its sheets or not, a wide drawing fills the sheet's long side.
    void wideDrawingFillsTheSheet_data()
    {
        QTest::addColumn<bool>("steady");
        QTest::newRow("sheets turned") << false;
        QTest::newRow("one orientation: the drawing turned") << true;
    }
    void wideDrawingFillsTheSheet()
    {
        QFETCH(bool, steady);
        QTemporaryDir folder;
        const QString pdf = folder.filePath(u"c.pdf"_qs);
        QImage wide(800, 100, QImage::Format_RGB32);
        wide.fill(Qt::black);
        {
            SteadyPdf device(pdf, steady);
            QVERIFY(booklet::paint(device, {{u"x"_qs, nullptr, wide}}, {}).isEmpty());
        }
        QProcess render;
        render.start(u"pdftoppm"_qs, {u"-r"_qs, u"20"_qs, u"-f"_qs, u"2"_qs, u"-singlefile"_qs,
                                      u"-gray"_qs, pdf, folder.filePath(u"p"_qs)});
        if (!render.waitForFinished(30000) || render.exitStatus() != QProcess::NormalExit)
            CUADERNO_SKIP("pdftoppm (poppler-utils) is not installed");
        const QImage page(folder.filePath(u"p.pgm"_qs));
        QRect ink;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128)
                    ink |= QRect(x, y, 1, 1);
        const int longSide = std::max(page.width(), page.height());
        QVERIFY2(std::max(ink.width(), ink.height()) >= longSide * 85 / 100,
                 qPrintable(u"%1 × %2"_qs.arg(ink.width()).arg(ink.height())));
    }
};

QTEST_MAIN(TestBooklet)
#include "tst_booklet.moc"
