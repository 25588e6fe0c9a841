// SPDX-License-Identifier: GPL-3.0-or-later
#include "bookwindow.h"

#include "artwork/artwork.h"
#include "layout/screenlayout.h"
#include "platform/screen.h"
#include "tools/keeping.h"
#include "tools/numberedfiles.h"
#include "tools/printerswitch.h"
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

BookWindow::BookWindow(Services services, QString applicationFolder, QWidget* parent)
    : QWidget(parent), services_(services), applicationFolder_(std::move(applicationFolder))
{
    setWindowTitle(programTitle());
    setWindowIcon(beachBallIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);
    createControls();
    setTabOrder();
    // The session may end the program without closing the window: the page is kept when the
    // session asks for the user's work and again, if coloured since, when the loop ends.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &BookWindow::keepPageOnShow);
    connect(qGuiApp, &QCoreApplication::aboutToQuit, this, &BookWindow::keepPageOnShow);
}

BookWindow::~BookWindow() = default;

void BookWindow::createControls()
{
    createCanvas();
    createButtons();
    connectButtons();
    // The buttons and the animation stay above the canvas, however tall a drawing is.
    canvas->lower();
}

void BookWindow::createCanvas()
{
    canvas = new PictureBox(this);
    canvas->setObjectName(QStringLiteral("canvas"));
    canvas->setAccessibleName(QStringLiteral("Dibujo"));
    canvas->setFocusPolicy(Qt::TabFocus);
    canvas->setPicture(titlePicture());
    canvas->setGeometryTwips(720, 840, canvas->widthTwips(), canvas->heightTwips());
    connect(canvas, &PictureBox::mouseMoved, this, &BookWindow::colourAt);
    connect(canvas, &PictureBox::strokesMoved, this, &BookWindow::colourStrokes);

    outlineHolder = new PictureBox(this);
    outlineHolder->setObjectName(QStringLiteral("outlineHolder"));
    outlineHolder->setBorderWidth(2);
    outlineHolder->setGeometryTwips(6480, 960, 10245, 6660);
    outlineHolder->hide();

    animation = new AnimatedPicture(this);
    animation->setObjectName(QStringLiteral("animation"));
}

void BookWindow::createButtons()
{
    const auto button = [this](const QString& name, const QString& label, QColor background,
                               const QPixmap& face, float l, float t, float w, float h) {
        auto* b = new GraphicalButton(label, background, this);
        b->setObjectName(name);
        b->setFace(face);
        b->setGeometryTwips(l, t, w, h);
        return b;
    };
    brushButton = button(QStringLiteral("brushButton"), QStringLiteral("Tamaño del pincel"),
                         Qt::white, QPixmap(), 9480, 5040, 1095, 1125);
    quitButton = button(QStringLiteral("quitButton"), QStringLiteral("Salir"), Qt::white,
                        buttonFace(Art::Quit), 8280, 5040, 1095, 1155);
    previousButton = button(QStringLiteral("previousButton"), QStringLiteral("Anterior"), Qt::white,
                            buttonFace(Art::Previous), 600, 5040, 1095, 1125);
    nextButton = button(QStringLiteral("nextButton"), QStringLiteral("Siguiente"), Qt::white,
                        buttonFace(Art::Next), 1800, 5040, 1095, 1125);
    for (int i = 0; i < 10; ++i) {
        const float left = 4200.0f + 600.0f * float(i % 5);
        const float top = i < 5 ? 5040.0f : 5640.0f;
        categoryButtons[i] = button(QStringLiteral("categoryButton%1").arg(i), categoryName(i),
                                    categoryGreen, categoryFace(i), left, top, 495, 495);
    }
    pointerButton = button(QStringLiteral("pointerButton"), QStringLiteral("Puntero"), toolYellow,
                           buttonFace(Art::Hand), 7200, 5040, 1095, 1095);
    printButton = button(QStringLiteral("printButton"), QStringLiteral("Imprimir"), toolYellow,
                         buttonFace(Art::Printer), 3000, 5040, 1095, 1095);
}

void BookWindow::connectButtons()
{
    connect(brushButton, &QAbstractButton::clicked, this, [this] { nextBrush(); });
    connect(quitButton, &QAbstractButton::clicked, this, [this] { quit(); });
    connect(previousButton, &QAbstractButton::clicked, this, [this] { showPreviousDrawing(); });
    connect(nextButton, &QAbstractButton::clicked, this, [this] { showNextDrawing(); });
    for (int i = 0; i < 10; ++i) {
        connect(categoryButtons[i], &QAbstractButton::clicked, this,
                [this, i] { openCategory(i); });
    }
    connect(pointerButton, &QAbstractButton::clicked, this, [this] { nextPointer(); });
    connect(printButton, &QAbstractButton::clicked, this, [this] { printPage(); });
}

void BookWindow::setTabOrder()
{
    QWidget* order[] = {canvas, quitButton, brushButton, previousButton, nextButton};
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, w);
        }
        previous = w;
    }
    for (GraphicalButton* b : categoryButtons) {
        QWidget::setTabOrder(previous, b);
        previous = b;
    }
    QWidget::setTabOrder(previous, outlineHolder);
    QWidget::setTabOrder(outlineHolder, pointerButton);
    QWidget::setTabOrder(pointerButton, printButton);
}

void BookWindow::prepare()
{
    // Skip and continue: each step that fails leaves things as they were and the next runs.
    state.category = 1;
    state.appFolder = applicationFolder_;
    state.brushNumber = 1;
    // The face and the brush each load their own copy; a load that fails changes nothing.
    QString error;
    showOnFace(*brushButton, brushPictures().path(state.appFolder, state.brushNumber), error);
    takeBrushSize(brushShape, brushPictures().path(state.appFolder, state.brushNumber), error);

    if (const std::optional<QString> line = readPrinterSwitch(applicationFolder_)) {
        state.printerSwitch = *line;
    }

    state.pointerNumber = 1;
    setCanvasPointer(*canvas, pointerIcons().path(state.appFolder, 1), error);
    state.drawingNumber[state.category] = 0;
    backColour_ = Qt::black;
    layoutControls();

    const CanvasFit fit = fitCanvas(previousButton->topTwips(), canvas->heightTwips());
    canvas->setTopTwips(fit.top);
    if (fit.height) {
        canvas->setHeightTwips(*fit.height);
    }
    animation->hide();
    animation->setFile(state.appFolder + QStringLiteral("/animados/1.gif"));
    const AnimationPlace place =
        placeAnimation(canvas->leftTwips(), canvas->topTwips(), canvas->widthTwips());
    animation->setTopTwips(place.top);
    animation->setLeftTwips(place.left);
}

void BookWindow::layoutControls()
{
    const Screen& screen = services_.screen;
    DesignGeometry design;
    design.previousButtonLeft = previousButton->leftTwips();
    design.quitButtonLeft = quitButton->leftTwips();
    design.canvasWidth = canvas->widthTwips();
    design.canvasTop = canvas->topTwips();
    const ScreenLayout layout = layoutScreen(screen.widthTwips(), screen.heightTwips(), design);

    const auto apply = [](GraphicalButton* b, const TwipsRect& r) {
        b->setGeometryTwips(r.left, r.top, r.width, r.height);
    };
    apply(brushButton, layout.brushButton);
    apply(quitButton, layout.quitButton);
    apply(previousButton, layout.previousButton);
    apply(nextButton, layout.nextButton);
    for (std::size_t i = 0; i < categoryButtons.size(); ++i) {
        apply(categoryButtons[i], layout.categoryButtons[i]);
    }
    apply(pointerButton, layout.pointerButton);
    apply(printButton, layout.printButton);
    canvas->setLeftTwips(layout.canvasLeft);
    animation->setTopTwips(layout.animationTop);
    animation->setLeftTwips(layout.animationLeft);
}

void BookWindow::quit()
{
    // Ends the run at once: nothing is asked, no further handler runs. A coloured page is
    // handed to the keeper, which finishes writing it as the program ends.
    close();
}

void BookWindow::closeEvent(QCloseEvent* event)
{
    keepPageOnShow();
    event->accept();
    QCoreApplication::exit(0);
}

void BookWindow::keepPageOnShow()
{
    keepColouredPage(*canvas, services_.keeper, state.category, state.drawingNumber);
}

void BookWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // An opaque background picture covers the whole window: filling it with the back colour
    // first would only be painted over.
    if (!background_.holdsOpaquePicture()) {
        painter.fillRect(rect(), backColour_);
    }
    paintBackground(painter);
}

} // namespace cuaderno
