// SPDX-License-Identifier: GPL-3.0-or-later
// The book on a data tree full of parents' accidents (bad pictures, folders named like files,
// link loops, odd letter cases, thousands of drawings), then a long seeded run of random input:
// no crash or hang, the run state in range, and only the message boxes the program means.

#include "bookfixture.h"
#include "datatree.h"
#include "gifwriter/gifwriter.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageWriter>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace cuaderno;
using namespace cuaderno::test;

namespace {

// The application folder: letters outside ASCII, among them one that upper-cases to two, one
// whose capital folds back to another letter and a ligature; and the characters of wildcards.
const QString appName = u"¿cuaderño ñandú? weiß ılık ﬁn"_s;
const QString attention = u"Atención: "_s;
const QString noBackground = u"No encuentro la imagen de fondo "_s;
constexpr quint32 defaultSeed = 20240611;
constexpr int monkeySteps = 3000;
constexpr int manyDrawings = 5000;
constexpr int animations = 300;
constexpr int brushes = 8;  // medida/1..8 are files (three unreadable), 9.gif is a folder
constexpr int pointers = 6; // punteros/1..6 are files (three unreadable), 7 and 8 a loop

QByteArray encoded(QSize size, QColor colour, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    qstrcmp(format, "gif") == 0 ? writeGif(buffer, image, nullptr)
                                : QImageWriter(&buffer, format).write(image);
    return buffer.data();
}

// A GIF whose header claims a square screen of that side; its one frame stays tiny.
QByteArray claiming(QByteArray gif, quint16 side)
{
    qToLittleEndian(side, gif.data() + 6);
    qToLittleEndian(side, gif.data() + 8);
    return gif;
}

// The signature kept, everything after it scrambled.
QByteArray garbled(QByteArray bytes, int keep)
{
    for (qsizetype i = keep; i < bytes.size(); ++i) {
        bytes[i] = char(bytes[i] ^ char(0x5a + 7 * i));
    }
    return bytes;
}

// The highest drawing number a page turn can reach in each category, as laid out below
// (at least 1, where next and the category button land on an absent drawing 1).
constexpr std::array<int, 11> reachable{1, 10, manyDrawings, 1, 1, 1, 3, 2, 1, 1, 10};
// The sizes of the brush pictures that can be read; an unreadable one keeps the size
// before it, never the design size.
const QList<QSize> brushSizes{{600, 450}, {450, 300}, {240, 240}, {720, 540}};

bool in(int value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void monkey()
    {
        const QByteArray given = qgetenv("CUADERNO_MONKEY_SEED");
        const quint32 seed = given.isEmpty() ? defaultSeed : given.toUInt();
        qInfo("monkey seed %u (set CUADERNO_MONKEY_SEED to repeat another run)", seed);
        QRandomGenerator random(seed);

        BookFixture book(app());
        BookWindow& w = *book.window;
        QCOMPARE(w.state.printerSwitch, u"sI"_s);
        w.resize(800, 600);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // Every press that reaches a handler, however it came (mouse, keyboard, click()).
        int clicks = 0;
        QList<QAbstractButton*> pageButtons{w.previousButton, w.nextButton};
        std::copy(w.categoryButtons.begin(), w.categoryButtons.end(),
                  std::back_inserter(pageButtons));
        for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
            connect(b, &QAbstractButton::clicked, this, [&clicks] { ++clicks; });
        }
        const auto press = [&](QAbstractButton* button) {
            const int before = clicks;
            const int how = int(random.bounded(3));
            if (how == 0) {
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                                  QPoint(random.bounded(std::max(1, button->width())),
                                         random.bounded(std::max(1, button->height()))));
            } else {
                how == 1 ? QTest::keyClick(button, Qt::Key_Space) : button->click();
            }
            return clicks > before;
        };
        // Any of the left, right, middle and back buttons held.
        const auto someButtons = [&] { return Qt::MouseButtons::fromInt(random.bounded(16)); };
        // Mostly over the canvas and around it, now and then far away.
        const auto somewhere = [&] {
            const double around = random.bounded(20) == 0 ? 1.0e6 : 200.0;
            const QSize size = w.canvas->size();
            return QPointF(random.bounded(size.width() + 2 * around) - around,
                           random.bounded(size.height() + 2 * around) - around);
        };
        const auto mouse = [&](QEvent::Type type, QPointF at, Qt::MouseButton button,
                               Qt::MouseButtons held) {
            QMouseEvent event(type, at, w.canvas->mapToGlobal(at), button, held, Qt::NoModifier);
            QCoreApplication::sendEvent(w.canvas, &event);
        };

        QSet<int> brushesSeen, pointersSeen;
        int highestAnimation = 0;
        for (int step = 0; step < monkeySteps; ++step) {
            const qsizetype messagesBefore = book.messages.shown.size();
            const qsizetype soundsBefore = book.sound.played.size();
            const qsizetype jobsBefore = book.printer.jobs.size();
            int turned = 0;
            int toolMessagesAllowed = 0;
            bool printing = false;
            const int action = int(random.bounded(100));
            if (action < 25) {
                turned = press(pageButtons[random.bounded(12)]) ? 1 : 0;
            } else if (action < 35) {
                press(w.brushButton);
            } else if (action < 47) {
                // The pointer button or the print button.
                const int kind = int(random.bounded(9));
                book.printer.failWith =
                    random.bounded(4) == 0 ? u"la impresora no responde"_s : QString();
                const bool ran = press(kind < 6 ? w.pointerButton : w.printButton);
                printing = ran && kind >= 6;
                toolMessagesAllowed = ran && kind < 6 ? 1 : 0;
            } else if (action < 72) {
                // Real mouse events on the canvas: a move, a click or a drag that may leave it.
                const auto button = Qt::MouseButton(1 << random.bounded(4)); // left ... back
                const QPointF from = somewhere();
                const int kind = int(random.bounded(3));
                if (kind == 0) {
                    mouse(QEvent::MouseMove, from, Qt::NoButton, someButtons());
                } else {
                    mouse(QEvent::MouseButtonPress, from, button, button);
                    const QPointF to = kind == 1 ? from : somewhere();
                    const int moves = kind == 1 ? 0 : int(random.bounded(1, 30));
                    for (int i = 1; i <= moves; ++i) {
                        mouse(QEvent::MouseMove, from + (to - from) * (double(i) / moves),
                              Qt::NoButton, button);
                    }
                    mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
                }
            } else if (action < 80) {
                // The handler itself, with positions no mouse would report.
                const float extremes[] = {0.0f,     -1.0f,    1.0e9f,    -1.0e9f, 3.4e38f,
                                          -3.4e38f, INFINITY, -INFINITY, NAN};
                const auto coordinate = [&] {
                    return random.bounded(4) == 0 ? extremes[random.bounded(9)]
                                                  : float(random.bounded(20000.0) - 2000.0);
                };
                const float x = coordinate();
                const float y = coordinate();
                w.colourAt(someButtons(), {x, y}, {coordinate(), coordinate()});
            } else if (action < 90) {
                w.resize(int(random.bounded(1600)), int(random.bounded(1200)));
                w.repaint();
            } else {
                w.canvas->repaint();
                QCoreApplication::processEvents();
            }

            // Every message box is accounted for.
            const QStringList fresh = book.messages.shown.mid(messagesBefore);
            const QString context = u"step %1, action %2"_s.arg(step).arg(action);
            for (const QString& m : fresh) {
                QVERIFY2(m.startsWith(attention) || m.startsWith(noBackground),
                         qPrintable(context + u": "_s + m));
            }
            // A print prints one page, or says why not; nothing else prints.
            const qsizetype toolMessages = fresh.size() - fresh.filter(noBackground).size();
            const bool failing = printing && !book.printer.failWith.isEmpty();
            QCOMPARE(book.printer.jobs.size() - jobsBefore, qsizetype(printing && !failing));
            QVERIFY2(failing
                         ? toolMessages == 1 && fresh.last() == attention + book.printer.failWith
                         : toolMessages <= toolMessagesAllowed,
                     qPrintable(context));
            // Each page turn plays one sound, and nothing else does.
            QCOMPARE(book.sound.played.size() - soundsBefore, qsizetype(turned));

            // The run state stays in its ranges.
            QVERIFY2(in(w.state.category, 1, 10) && in(w.state.brushNumber, 1, brushes) &&
                         in(w.state.pointerNumber, 1, pointers) &&
                         in(w.state.animationNumber, 0, animations),
                     qPrintable(context));
            QCOMPARE(w.state.drawingNumber[0], std::int16_t(0));
            for (int c = 1; c <= 10; ++c) {
                QVERIFY2(in(w.state.drawingNumber[c], 0, reachable[c]), qPrintable(context));
            }
            QVERIFY2(brushSizes.contains(
                         QSize(int(w.brushShape.widthTwips()), int(w.brushShape.heightTwips()))),
                     qPrintable(context));
            QVERIFY(std::isfinite(w.canvas->leftTwips()) && std::isfinite(w.canvas->topTwips()));
            QVERIFY(w.canvas->widthTwips() > 0 && w.canvas->heightTwips() > 0);
            QCOMPARE(w.canvas->imageOnShow().size(), w.canvas->picture().size());
            brushesSeen.insert(w.state.brushNumber);
            pointersSeen.insert(w.state.pointerNumber);
            highestAnimation = std::max<int>(highestAnimation, w.state.animationNumber);
        }

        // The last button of all ends the run.
        w.quitButton->click();
        QVERIFY(w.isHidden());
        QCoreApplication::processEvents();

        // The background cannot be read: said once, however often the window was repainted.
        QCOMPARE(book.messages.shown.filter(noBackground).size(), qsizetype(1));
        // Every numbered file that is there was reached, whatever the folder's letters.
        QCOMPARE(brushesSeen.size(), qsizetype(brushes));
        QCOMPARE(pointersSeen.size(), qsizetype(pointers));
        QCOMPARE(highestAnimation, animations);
    }

    void previousFromFirstOfThousands()
    {
        BookFixture book(app());
        BookWindow& w = *book.window;
        w.openCategory(1);
        QCOMPARE(std::pair(w.state.drawingNumber[2], w.canvas->picture().size()),
                 std::pair(std::int16_t(1), QSize(40, 30)));
        w.showPreviousDrawing();
        QCOMPARE(std::pair(w.state.drawingNumber[2], w.canvas->picture().size()),
                 std::pair(std::int16_t(manyDrawings), QSize(30, 20)));
    }

private:
    QString app() const { return tree_.path(appName); }
    QString at(const QString& relative) const { return tree_.path(appName + u'/' + relative); }
    void hardLink(const QString& existing, const QString& relative)
    {
        QCOMPARE(::link(QFile::encodeName(at(existing)), QFile::encodeName(at(relative))), 0);
    }

    DataTree tree_;
};

void TestHostile::initTestCase()
{
    QVERIFY(tree_.isValid());
    const QByteArray gif = encoded({40, 30}, Qt::red, "gif");
    const QByteArray jpeg = encoded({48, 36}, Qt::green, "jpeg");
    const QByteArray ico = encoded({32, 32}, Qt::blue, "ico");
    QVERIFY(!gif.isEmpty() && !jpeg.isEmpty() && !ico.isEmpty());
    const QHash<QString, QByteArray> contents{
        {u"gif"_s, gif},
        {u"cut gif"_s, gif.first(gif.size() / 2)},
        {u"garbled gif"_s, garbled(gif, 13)},
        {u"bad gif"_s, garbled(gif, 6)},
        {u"huge"_s, claiming(gif, 65535)}, // a screen no one could hold
        {u"tall"_s, claiming(gif, 32767)},
        {u"jpeg"_s, jpeg},
        {u"cut jpeg"_s, jpeg.first(jpeg.size() / 2)},
        {u"garbled jpeg"_s, garbled(jpeg, 2)},
        {u"yellow jpeg"_s, encoded({30, 20}, Qt::yellow, "jpeg")},
        {u"ico"_s, ico},
        {u"cyan ico"_s, encoded({16, 16}, Qt::cyan, "ico")},
        {u"cut ico"_s, ico.first(ico.size() / 2)},
        {u"bad ico"_s, garbled(ico, 6)},
        {u"sI"_s, "sI"}};
    // Entries in a folder: name=content (none: empty), name/ a folder, name>target a link.
    const std::pair<const char*, const char*> layout[] = {
        // Category 1: a bad file of every kind; the numbering breaks at 11 (a folder link to its
        // parent, then a link loop), so 13 is unreachable. 5.GIF is a JPEG under a GIF name.
        {"dibujos/1/si coloreado/",
         "1.GIF=gif,2.gif=,3.gif=cut gif,4.GIF=huge,5.GIF=jpeg,6.jpg=garbled jpeg,7.JPG=cut jpeg,"
         "8.Gif=gif,9.GIF=garbled gif,10.GIF=yellow jpeg,13.GIF=gif,3.JPG/,11.GIF>..,"
         "12.GIF>12.JPG,12.JPG>12.GIF"},
        {"dibujos/1/no coloreado/",
         "1.GIF=gif,2.GIF=bad gif,3.GIF=,4.GIF=huge,6.gif=gif,8.GIF=gif,9.GIF=jpeg,"
         "10.GIF=cut gif,5.GIF/"},
        // Category 2 (thousands of drawings, all one file under many names) is linked below.
        {"dibujos/2/", "si coloreado/,no coloreado/,plantilla.gif=gif"},
        // Categories without a drawing: a pipe (made below) and a device, whose opening would
        // wait forever or never end, a file for a folder, folders for files.
        {"dibujos/3/si coloreado/", "1.JPG>/dev/zero"},
        {"dibujos/", "4="},
        {"dibujos/5/si coloreado/", "1.GIF/,2.jpg/"},
        // Category 6 in other letter cases.
        {"dibujos/6/SI COLOREADO/", "1.gif=gif,2.jPg=jpeg,3.GIF=gif"},
        {"dibujos/6/No Coloreado/", "1.Gif=gif,2.GIF=cut gif,3.gif>/dev/zero"},
        // Category 7 opens on a picture far too large to decode.
        {"dibujos/7/si coloreado/", "1.GIF=huge,2.GIF=tall"},
        {"dibujos/7/no coloreado/", "1.GIF=huge"},
        // Category 8 is a link to the library root, 9 a link loop, 10 a link to category 1.
        {"dibujos/", "8>.,10>1"},
        {"dibujos/9/si coloreado/", "1.GIF>1.JPG,1.JPG>1.GIF"},
        // Brushes: readable ones in several letter cases and formats, unreadable ones.
        {"medida/", "1.gif=gif,2.GIF=yellow jpeg,3.Gif=cyan ico,4.gif=,5.gif=cut gif,6.gif=huge,"
                    "7.gif=jpeg,8.gif=gif,9.gif/"},
        // Pointers: good icons among three bad ones, then a link loop.
        {"punteros/",
         "1.ico=ico,2.ICO=cyan ico,3.ico=,4.ico=cut ico,5.ico=bad ico,6.ico=ico,7.ico>8.ico,"
         "8.ico>7.ico"},
        // Animations: a few bad ones among hundreds of links to one good one (made below).
        {"animados/", "2.gif=,3.gif=huge,4.gif=cut gif,5.GIF=jpeg,6.gif=gif,arriba>.."},
        // A background that claims a size no one could hold, a silent sound; printing on.
        {"", "fondo.gif=huge,sonido1.wav=,impresora.txt=sI"}};
    for (const auto& [folder, entries] : layout) {
        QDir().mkpath(at(QString::fromUtf8(folder)));
        for (const QString& entry : QString::fromUtf8(entries).split(u',')) {
            const QString path = QString::fromUtf8(folder) + entry.section(u'>', 0, 0);
            const QString name = appName + u'/' + path.section(u'=', 0, 0);
            if (entry.contains(u'>')) {
                QCOMPARE(::symlink(entry.section(u'>', 1).toUtf8(), QFile::encodeName(at(path))),
                         0);
            } else if (entry.endsWith(u'/')) {
                tree_.folder(name);
            } else {
                const QString kind = entry.section(u'=', 1);
                QVERIFY2(kind.isEmpty() || contents.contains(kind), qPrintable(kind));
                tree_.text(name, contents.value(kind));
            }
        }
    }
    const QString extensions[] = {u".GIF"_s, u".gif"_s, u".Gif"_s, u".JPG"_s};
    for (int n = 1; n < manyDrawings; ++n) {
        hardLink(u"dibujos/2/plantilla.gif"_s,
                 u"dibujos/2/si coloreado/%1"_s.arg(n) + extensions[n % 4]);
        hardLink(u"dibujos/2/plantilla.gif"_s, u"dibujos/2/no coloreado/%1.GIF"_s.arg(n));
    }
    tree_.text(appName + u"/dibujos/2/si coloreado/%1.GIF"_s.arg(manyDrawings),
               encoded({30, 20}, Qt::blue, "jpeg")); // the last differs
    QCOMPARE(::mkfifo(QFile::encodeName(at(u"dibujos/3/si coloreado/1.GIF"_s)), 0644), 0);
    tree_.animation(appName + u"/animados/1.gif"_s, {Qt::red, Qt::blue});
    for (int n = 7; n <= animations; ++n) {
        hardLink(u"animados/1.gif"_s, u"animados/%1."_s.arg(n) + (n % 2 ? u"gif"_s : u"GIF"_s));
    }
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
