// SPDX-License-Identifier: GPL-3.0-or-later
#include "bookwindow.h"

#include "artwork/artwork.h"
#include "layout/screenlayout.h"
#include "platform/directorylookup.h"
#include "platform/screen.h"
#include "platform/textfile.h"
#include "tools/keeping.h"
#include "tools/numberedfiles.h"
#include "tools/toolpictures.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

namespace cuaderno {

namespace {

const QColor categoryGreen(0, 255, 0);
const QColor toolYellow(255, 255, 0);

} // namespace

Form1::Form1(Services services, QString applicationFolder, QWidget* parent)
    : QWidget(parent), services_(services), applicationFolder_(std::move(applicationFolder))
{
    setWindowTitle(programTitle());
    setWindowIcon(beachBallIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);
    createControls();
    setTabOrder();
    // The session may end the program without closing the window: the page is kept when the
    // session asks for the user's work and again, if coloured since, when the loop ends.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &Form1::keepPageOnShow);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, &Form1::keepPageOnShow);
}

Form1::~Form1() = default;

void Form1::createControls()
{
    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(QStringLiteral("Dibujo"));
    Picture1->setFocusPolicy(Qt::TabFocus);
    Picture1->setPicture(titlePicture());
    Picture1->setGeometryTwips(720, 840, Picture1->widthTwips(), Picture1->heightTwips());
    connect(Picture1, &PictureBox::mouseMoved, this,
            [this](Qt::MouseButtons buttons, QPointF at, QPointF from) {
                Picture1_Mousemove(buttons, float(at.x()), float(at.y()), from);
            });
    connect(Picture1, &PictureBox::strokesMoved, this, &Form1::Picture1_StrokesMoved);

    Picture2 = new PictureBox(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setBorderWidth(2);
    Picture2->setGeometryTwips(6480, 960, 10245, 6660);
    Picture2->hide();

    Gif89a1 = new AnimatedPicture(this);
    Gif89a1->setObjectName(QStringLiteral("Gif89a1"));

    const auto button = [this](const char* name, const QString& label, QColor background,
                               const QPixmap& face, float l, float t, float w, float h) {
        auto* b = new GraphicalButton(label, background, this);
        b->setObjectName(QLatin1String(name));
        b->setFace(face);
        b->setGeometryTwips(l, t, w, h);
        return b;
    };
    Command1 = button("Command1", QStringLiteral("Tamaño del pincel"), Qt::white, QPixmap(), 9480,
                      5040, 1095, 1125);
    Command2 = button("Command2", QStringLiteral("Salir"), Qt::white, buttonFace(Art::Quit), 8280,
                      5040, 1095, 1155);
    Command3 = button("Command3", QStringLiteral("Anterior"), Qt::white, buttonFace(Art::Previous),
                      600, 5040, 1095, 1125);
    Command4 = button("Command4", QStringLiteral("Siguiente"), Qt::white, buttonFace(Art::Next),
                      1800, 5040, 1095, 1125);
    for (int i = 0; i < 10; ++i) {
        const float left = 4200.0f + 600.0f * float(i % 5);
        const float top = i < 5 ? 5040.0f : 5640.0f;
        Command5[i] = button("Command5", categoryName(i), categoryGreen, categoryFace(i), left, top,
                             495, 495);
        Command5[i]->setObjectName(QStringLiteral("Command5_%1").arg(i));
    }
    Command6[0] = button("Command6_0", QStringLiteral("Puntero"), toolYellow, buttonFace(Art::Hand),
                         7200, 5040, 1095, 1095);
    Command6[1] = button("Command6_1", QStringLiteral("Imprimir"), toolYellow,
                         buttonFace(Art::Printer), 3000, 5040, 1095, 1095);

    connect(Command1, &QAbstractButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QAbstractButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QAbstractButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QAbstractButton::clicked, this, [this] { command4_Click(); });
    for (std::int16_t i = 0; i < 10; ++i) {
        connect(Command5[i], &QAbstractButton::clicked, this, [this, i] { Command5_Click(i); });
    }
    for (std::int16_t i = 0; i < 2; ++i) {
        connect(Command6[i], &QAbstractButton::clicked, this, [this, i] { Command6_Click(i); });
    }
    // The buttons and the animation stay above the canvas, however tall a drawing is.
    Picture1->lower();
}

void Form1::setTabOrder()
{
    QWidget* order[] = {Picture1, Command2, Command1, Command3, Command4};
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, w);
        }
        previous = w;
    }
    for (GraphicalButton* b : Command5) {
        QWidget::setTabOrder(previous, b);
        previous = b;
    }
    QWidget::setTabOrder(previous, Picture2);
    QWidget::setTabOrder(Picture2, Command6[0]);
    QWidget::setTabOrder(Command6[0], Command6[1]);
}

void Form1::Form_Load()
{
    // Skip and continue: each step that fails leaves things as they were and the next runs.
    currentCategory = 1;
    appFolder = applicationFolder_;
    brushNumber = 1;
    // The face and the brush each load their own copy; a load that fails changes nothing.
    QString error;
    showOnFace(*Command1, brushPictures().path(appFolder, brushNumber), error);
    takeBrushSize(Image1, brushPictures().path(appFolder, brushNumber), error);

    // The switch only counts under its exact name; a name in other letters leaves it off.
    const QString switchPath = applicationFolder_ + QStringLiteral("/impresora.txt");
    if (DirectoryLookup::find(switchPath) == QStringLiteral("impresora.txt")) {
        if (const auto line = readFirstLine(DirectoryLookup::resolve(switchPath))) {
            printerSwitch = *line;
        }
    }

    pointerNumber = 1;
    setCanvasPointer(*Picture1, pointerIcons().path(appFolder, 1), error);
    drawingNumber[currentCategory] = 0;
    backColour_ = Qt::black;
    LayoutControls();

    const CanvasFit fit = fitCanvas(Command3->topTwips(), Picture1->heightTwips());
    Picture1->setTopTwips(fit.top);
    if (fit.height) {
        Picture1->setHeightTwips(*fit.height);
    }
    Gif89a1->hide();
    Gif89a1->setFile(appFolder + QStringLiteral("/animados/1.gif"));
    const AnimationPlace place =
        placeAnimation(Picture1->leftTwips(), Picture1->topTwips(), Picture1->widthTwips());
    Gif89a1->setTopTwips(place.top);
    Gif89a1->setLeftTwips(place.left);
}

void Form1::LayoutControls()
{
    const Screen& screen = services_.screen;
    DesignGeometry design;
    design.command3Left = Command3->leftTwips();
    design.command2Left = Command2->leftTwips();
    design.canvasWidth = Picture1->widthTwips();
    design.canvasTop = Picture1->topTwips();
    const ScreenLayout layout = layoutScreen(screen.widthTwips(), screen.heightTwips(), design);

    const auto apply = [](GraphicalButton* b, const TwipsRect& r) {
        b->setGeometryTwips(r.left, r.top, r.width, r.height);
    };
    apply(Command1, layout.command1);
    apply(Command2, layout.command2);
    apply(Command3, layout.command3);
    apply(Command4, layout.command4);
    for (std::size_t i = 0; i < Command5.size(); ++i) {
        apply(Command5[i], layout.command5[i]);
    }
    for (std::size_t i = 0; i < Command6.size(); ++i) {
        apply(Command6[i], layout.command6[i]);
    }
    Picture1->setLeftTwips(layout.canvasLeft);
    Gif89a1->setTopTwips(layout.animationTop);
    Gif89a1->setLeftTwips(layout.animationLeft);
}

void Form1::Command2_Click()
{
    // Ends the run at once: nothing is asked, no further handler runs. A coloured page is
    // handed to the keeper, which finishes writing it as the program ends.
    close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    keepPageOnShow();
    event->accept();
    QCoreApplication::exit(0);
}

void Form1::keepPageOnShow()
{
    keepColouredPage(*Picture1, services_.keeper, currentCategory, drawingNumber);
}

void Form1::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // An opaque background picture covers the whole window: filling it with the back colour
    // first would only be painted over.
    if (!background_.holdsOpaquePicture()) {
        painter.fillRect(rect(), backColour_);
    }
    Form_Paint(painter);
}

} // namespace cuaderno
