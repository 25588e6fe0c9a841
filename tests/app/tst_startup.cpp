// Start-up: the run state, the printer switch, the pictures of the first brush and pointer,
// the controls laid out on the screen, and quitting.

#include "app/form1.h"
#include "datatree.h"
#include "doubles.h"
#include "platform/units.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace cuaderno;
using namespace cuaderno::test;

namespace {

struct Fixture {
    FixedScreen screen{12000, 9000};
    RecordingMessageBox messages;
    RecordingSound sound;
    RecordingPrinter printer;
    std::unique_ptr<Form1> form;

    explicit Fixture(const QString& folder)
        : form(std::make_unique<Form1>(Services{screen, messages, sound, printer}, folder))
    {
        form->Form_Load();
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void runStateAfterStartup();
    void startupOnEmptyFolder();
    void printerSwitch_data();
    void printerSwitch();
    void controlsLaidOut();
    void canvasCutOnSmallScreen();
    void quitEndsEventLoop();
};

void TestStartup::initTestCase()
{
    // The layout's pixel positions below assume 15 twips per pixel.
    QCOMPARE(twipsPerPixel(), 15.0f);
}

void TestStartup::runStateAfterStartup()
{
    DataTree tree;
    tree.picture(QStringLiteral("medida/1.gif"), {40, 30});
    tree.picture(QStringLiteral("punteros/1.ico"), {32, 32});
    tree.text(QStringLiteral("impresora.txt"), "SI\r\n");
    Fixture f(tree.root());

    QCOMPARE(int(f.form->currentCategory), 1);
    for (std::int16_t entry : f.form->drawingNumber) {
        QCOMPARE(entry, std::int16_t(0));
    }
    QCOMPARE(f.form->brushNumber, std::int16_t(1));
    QCOMPARE(f.form->pointerNumber, std::int16_t(1));
    QCOMPARE(f.form->animationNumber, std::int16_t(0));
    QCOMPARE(f.form->appFolder, tree.root());
    QCOMPARE(f.form->printerSwitch, QStringLiteral("SI"));
    // Brush picture 1 gives the brush its size and the button its face.
    QCOMPARE(f.form->Image1.width(), 600.0f);
    QCOMPARE(f.form->Image1.height(), 450.0f);
    QCOMPARE(f.form->Command1->face().size(), QSize(40, 30));
    QCOMPARE(f.form->Picture1->cursor().shape(), Qt::BitmapCursor);
    // The animation waits hidden with the first animation preset; the canvas keeps the title.
    QVERIFY(f.form->Gif89a1->isHidden());
    QCOMPARE(f.form->Gif89a1->file(), tree.root() + QStringLiteral("/animados/1.gif"));
    QCOMPARE(f.form->Picture1->picture().size(), QSize(679, 440));
    QCOMPARE(f.form->backColour(), QColor(Qt::black));
    QVERIFY(f.sound.played.isEmpty());
    QVERIFY(f.messages.shown.isEmpty());
}

void TestStartup::startupOnEmptyFolder()
{
    // Nothing there at all: start-up still completes silently with design sizes.
    Fixture f(QStringLiteral("/nonexistent/cuaderno"));
    QCOMPARE(f.form->brushNumber, std::int16_t(1));
    QCOMPARE(f.form->Image1.width(), 615.0f);
    QCOMPARE(f.form->Image1.height(), 495.0f);
    QVERIFY(f.form->Command1->face().isNull());
    QVERIFY(f.form->printerSwitch.isEmpty());
    QCOMPARE(f.form->Picture1->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(f.messages.shown.isEmpty());
}

void TestStartup::printerSwitch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    QTest::newRow("absent") << "" << QByteArray() << "";
    QTest::newRow("hidden") << ".impresora.txt" << QByteArray("SI\n") << "";
    QTest::newRow("other letter case") << "Impresora.txt" << QByteArray("SI\n") << "";
    QTest::newRow("empty") << "impresora.txt" << QByteArray() << "";
    QTest::newRow("lower case si") << "impresora.txt" << QByteArray("si\n") << "si";
    QTest::newRow("CR LF") << "impresora.txt" << QByteArray("SI\r\nNO\r\n") << "SI";
    QTest::newRow("trailing blank") << "impresora.txt" << QByteArray("SI \n") << "SI ";
    QTest::newRow("NO") << "impresora.txt" << QByteArray("NO\n") << "NO";
}

void TestStartup::printerSwitch()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    DataTree tree;
    if (!name.isEmpty()) {
        tree.text(name, content);
    }
    Fixture f(tree.root());
    QCOMPARE(f.form->printerSwitch, expected);
}

void TestStartup::controlsLaidOut()
{
    DataTree tree;
    Fixture f(tree.root());
    Form1& w = *f.form;

    // 800 x 600: previous at 1597 twips, the row's top at 7775; pixels are rounded.
    QCOMPARE(w.Command3->left(), 1597.0f);
    QCOMPARE(w.Command3->top(), 7775.0f);
    QCOMPARE(w.Command3->geometry(), QRect(106, 518, 75, 75));
    QCOMPARE(w.Command4->left(), 2772.0f);
    QCOMPARE(w.Command6[1]->left(), 3947.0f);
    QCOMPARE(w.Command5[0]->left(), 5122.0f);
    QCOMPARE(w.Command5[9]->left(), 7302.0f);
    QCOMPARE(w.Command5[9]->top(), 8320.0f);
    QCOMPARE(w.Command6[0]->left(), 7847.0f);
    QCOMPARE(w.Command1->left(), 9022.0f);
    QCOMPARE(w.Command2->left(), 10197.0f);
    QCOMPARE(w.Command2->geometry().size(), QSize(75, 75));
    // The title picture: centred and fitted above the row, the animation beside it.
    QCOMPARE(w.Picture1->left(), 907.5f);
    QCOMPARE(w.Picture1->top(), 588.0f);
    QCOMPARE(w.Picture1->height(), 6600.0f);
    QCOMPARE(w.Gif89a1->left(), 11192.5f);
    QCOMPARE(w.Gif89a1->top(), 588.0f);
}

void TestStartup::canvasCutOnSmallScreen()
{
    DataTree tree;
    FixedScreen screen(9600, 7200);
    RecordingMessageBox messages;
    RecordingSound sound;
    RecordingPrinter printer;
    Form1 w({screen, messages, sound, printer}, tree.root());
    w.Form_Load();
    QCOMPARE(w.Command3->top(), 5975.0f);
    QCOMPARE(w.Picture1->top(), 5.0f);
    QCOMPARE(w.Picture1->height(), 5950.0f);
    QCOMPARE(w.Gif89a1->top(), 5.0f);
}

void TestStartup::quitEndsEventLoop()
{
    DataTree tree;
    Fixture f(tree.root());
    f.form->show();
    QTimer::singleShot(0, f.form.get(), [&f] { f.form->Command2->click(); });
    // A second timer would fail the test if the loop kept running.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&watchdog, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!timedOut);
    QVERIFY(f.form->isHidden());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
