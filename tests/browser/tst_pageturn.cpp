// SPDX-License-Identifier: GPL-3.0-or-later
// Page turning as the child does it, on a window built with test doubles: the run state,
// what the canvas shows, the sounds, the animations and the fit.

#include "bookfixture.h"
#include "datatree.h"
#include "layout/screenlayout.h"

#include <QTest>

using namespace cuaderno;
using namespace cuaderno::test;
using namespace Qt::StringLiterals;

namespace {

struct Book {
    DataTree tree;
    std::unique_ptr<BookFixture> f;

    BookWindow& open()
    {
        f = std::make_unique<BookFixture>(tree.root());
        return *f->window;
    }
    // n next, p previous, a digit the category button of that index.
    void click(QChar c)
    {
        BookWindow& w = *f->window;
        c == u'n'   ? w.showNextDrawing()
        : c == u'p' ? w.showPreviousDrawing()
                    : w.openCategory(c.digitValue());
    }
    static QString file(int c, int n, const char* layer)
    {
        return u"dibujos/%1/%2 coloreado/%3.GIF"_s.arg(c).arg(QLatin1String(layer)).arg(n);
    }
    void drawing(int c, int n, QSize size)
    {
        tree.picture(file(c, n, "si"), size, Qt::green);
        tree.image(file(c, n, "no"), outlines(size));
    }
    // Two tones, so that a shifted or shrunk layer shows at its edges.
    static QImage outlines(QSize size) { return twoToneImage(size, Qt::white, Qt::blue); }
};

QImage rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPageTurn : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sequences_data()
    {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<int>("start"); // category 1's entry before the first click
        QTest::addColumn<QList<int>>("entries");
        QTest::addColumn<QList<int>>("shown"); // picture width: 50 × category + drawing; 0 title

        QTest::newRow("next, previous, previous")
            << u"npp"_s << 0 << QList{1, 7, 6} << QList{51, 57, 56};
        QTest::newRow("previous first") << u"p"_s << 0 << QList{7} << QList{57};
        QTest::newRow("next from 7") << u"pn"_s << 0 << QList{7, 1} << QList{57, 51};
        // Back in a category its entry shows again, not the next drawing.
        QTest::newRow("category keeps its entry")
            << u"2nn02"_s << 0 << QList{1, 2, 3, 1, 3} << QList{151, 152, 153, 51, 153};
        QTest::newRow("index 9 is category 10") << u"9"_s << 0 << QList{1} << QList{501};
        QTest::newRow("empty category") << u"4pn4"_s << 0 << QList{1, 0, 1, 1} << QList{0, 0, 0, 0};
        QTest::newRow("32767 + 1 stays") << u"n"_s << 32767 << QList{32767} << QList{99};
        QTest::newRow("-32768 - 1 stays") << u"p"_s << -32768 << QList{7} << QList{57};
    }

    void sequences()
    {
        QFETCH(QString, clicks);
        QFETCH(int, start);
        QFETCH(QList<int>, entries);
        QFETCH(QList<int>, shown);
        Book book;
        for (int n = 1; n <= 7; ++n) {
            book.drawing(1, n, {50 + n, 30});
        }
        book.drawing(1, 32767, {99, 30});
        for (int n = 1; n <= 4; ++n) {
            book.drawing(3, n, {150 + n, 30});
        }
        book.drawing(10, 1, {501, 30});
        book.tree.folder(u"dibujos/5/si coloreado"_s);
        for (int k = 1; k <= 3; ++k) {
            book.tree.picture(u"animados/%1.gif"_s.arg(k), {20, 20});
        }
        BookWindow& window = book.open();
        const int titleWidth = window.canvas->picture().width();
        window.state.drawingNumber[1] = std::int16_t(start);

        for (qsizetype i = 0; i < clicks.size(); ++i) {
            book.click(clicks[i]);
            QCOMPARE(int(window.state.drawingNumber[window.state.category]), entries[i]);
            QCOMPARE(window.canvas->picture().width(), shown[i] == 0 ? titleWidth : shown[i]);
            QVERIFY(window.canvas->isVisibleTo(&window));
            // The child sees the outlines, lying pixel for pixel on the colours under them.
            if (shown[i] != 0) {
                QCOMPARE(rgb(window.canvas->grab().toImage()), rgb(Book::outlines({shown[i], 30})));
            }
            // Previous has its own sound; every page turn plays one, even with nothing to show.
            const QString sound = clicks[i] == u'p' ? u"/sonido2.wav"_s : u"/sonido1.wav"_s;
            QCOMPARE(book.f->sound.played.size(), i + 1);
            QCOMPARE(book.f->sound.played.last(), book.tree.root() + sound);
            // The animations run 1, 2, 3, 1, 2 ... whatever the command.
            const int animation = int(i % 3) + 1;
            QCOMPARE(int(window.state.animationNumber), animation);
            QCOMPARE(window.animation->file(),
                     book.tree.root() + u"/animados/%1.gif"_s.arg(animation));
            QVERIFY(window.animation->isVisibleTo(&window));
        }
    }

    void fitApplied()
    {
        Book book;
        const QSize size(600, 560); // too tall for the room above the row
        book.drawing(1, 1, size);
        BookWindow& window = book.open();
        window.showNextDrawing();
        // Placed by the layout's fit for a drawing taller than the room (the end-to-end test
        // judges the place of drawings that fit, and the animation beside them).
        const CanvasFit fit =
            fitCanvas(window.previousButton->topTwips(), float(size.height()) * 15.0f);
        QVERIFY(fit.height.has_value());
        QCOMPARE(window.canvas->topTwips(), fit.top);
        // A cut made to fit does not last: the canvas ends as large as the drawing.
        QCOMPARE(window.canvas->heightTwips(), float(size.height()) * 15.0f);
    }

    void brokenFilesNeverMixDrawings_data()
    {
        QTest::addColumn<QByteArray>("colours"); // drawing 2's files: "" missing, "ok" a picture
        QTest::addColumn<QByteArray>("outlines");
        QTest::addColumn<QChar>("click"); // after drawing 1, which the child has begun colouring
        QTest::addColumn<bool>("keepsPage");

        const auto row = [](const char* tag, QByteArray colours, QByteArray outlines, char click,
                            bool keeps) {
            QTest::newRow(tag) << colours << outlines << QChar::fromLatin1(click) << keeps;
        };
        row("outlines missing", "ok", "", 'n', false);
        row("outlines unreadable", "ok", "GIF89a, or so it says", 'n', false);
        row("colours unreadable", "not a picture", "ok", 'n', true);
        row("category without drawings", "ok", "ok", '4', true);
    }

    void brokenFilesNeverMixDrawings()
    {
        QFETCH(QByteArray, colours);
        QFETCH(QByteArray, outlines);
        QFETCH(QChar, click);
        QFETCH(bool, keepsPage);
        Book book;
        book.drawing(1, 1, {60, 40});
        for (const auto& [content, path] : {std::pair{colours, book.file(1, 2, "si")},
                                            std::pair{outlines, book.file(1, 2, "no")}}) {
            if (content == "ok") {
                book.tree.picture(path, {60, 40}, Qt::yellow);
            } else if (!content.isEmpty()) {
                book.tree.text(path, content);
            }
        }
        book.tree.folder(u"dibujos/5/si coloreado"_s);
        BookWindow& window = book.open();
        window.showNextDrawing();
        window.canvas->uncover(QRectF(0, 0, 300, 300));
        const QImage page = window.canvas->imageOnShow();

        book.click(click);
        QVERIFY(window.canvas->isVisibleTo(&window));
        if (keepsPage) {
            // No new outlines over old colours: the page stays as the child left it.
            QCOMPARE(window.canvas->imageOnShow(), page);
            QCOMPARE(rgb(window.outlineHolder->picture()), rgb(Book::outlines({60, 40})));
        } else {
            // New colours show plainly, never under drawing 1's outlines.
            QCOMPARE(window.canvas->picture().pixelColor(0, 0), QColor(Qt::yellow));
            QVERIFY(window.outlineHolder->picture().isNull());
            QCOMPARE(rgb(window.canvas->imageOnShow()), rgb(window.canvas->picture()));
        }
    }
};

QTEST_MAIN(TestPageTurn)
#include "tst_pageturn.moc"
