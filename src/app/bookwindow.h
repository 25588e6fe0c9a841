// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one window: every control the child touches, the run state the handlers share, and
// the handlers themselves. Each handler says its steps in order and calls the module that
// does each; failures follow the handler's own rule (skip and continue, or one trap).

#include "app/background.h"
#include "platform/animatedpicture.h"
#include "platform/graphicalbutton.h"
#include "platform/imagecontrol.h"
#include "platform/picturebox.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

namespace cuaderno {

class Keeper;
class MessageBox;
class Printer;
class Screen;
class Sound;

// What the window needs from the platform; tests hand in doubles.
struct Services {
    Screen& screen;
    MessageBox& messages;
    Sound& sound;
    Printer& printer;
    Keeper& keeper;
};

// What the handlers share from one click to the next.
struct BookState {
    std::uint8_t category = 0;                    // the category on show, 1 to 10
    std::array<std::int16_t, 11> drawingNumber{}; // by category: the drawing on show or last left
    QString appFolder;                            // the data tree, set when the book is prepared
    QString printerSwitch;                        // first line of impresora.txt, if any
    std::int16_t brushNumber = 0;                 // medida/<n>.gif: the brush in use
    std::int16_t pointerNumber = 0;               // punteros/<n>.ico: the pointer in use
    std::int16_t animationNumber = 0;             // animados/<n>.gif: the last one started
};

class BookWindow final : public QWidget {
    Q_OBJECT
public:
    BookWindow(Services services, QString applicationFolder, QWidget* parent = nullptr);
    ~BookWindow() override;

    // Run once before the window is first shown.
    void prepare();

    // Handlers, public so that tests drive them as the child's clicks do.
    void nextBrush();
    void quit();
    void showPreviousDrawing();
    void showNextDrawing();
    // The category buttons count from 0; a number no button has keeps the category.
    void openCategory(int button);
    void nextPointer();
    void printPage();
    // A mouse moved on the canvas to `to` (twips); `from` is where the held mouse was at its
    // stroke's previous move, else `to`. Any button held colours the way between them.
    void colourAt(Qt::MouseButtons buttons, QPointF to, QPointF from);
    // Fingers and a pen's tip moved on the canvas (twips), each from its previous move.
    void colourStrokes(const QList<QLineF>& strokes);
    // Hands the page on show to the keeper if the child coloured it since it was last kept.
    // Every way the book ends comes through here: the quit button, the window's close, the
    // session ending and the application quitting.
    void keepPageOnShow();

    BookState state;

    // Controls, owned through Qt's parent-child tree.
    PictureBox* canvas = nullptr;        // the page the child colours
    PictureBox* outlineHolder = nullptr; // hidden; keeps the uncoloured drawing
    ImageControl brushShape;             // its size is the brush's
    AnimatedPicture* animation = nullptr;
    GraphicalButton* brushButton = nullptr;
    GraphicalButton* quitButton = nullptr;
    GraphicalButton* previousButton = nullptr;
    GraphicalButton* nextButton = nullptr;
    std::array<GraphicalButton*, 10> categoryButtons{};
    GraphicalButton* pointerButton = nullptr;
    GraphicalButton* printButton = nullptr;

    QColor backColour() const { return backColour_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The window manager's close (Alt+F4, a taskbar) ends the run as the quit button does.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createCanvas();
    void createButtons();
    void connectButtons();
    void setTabOrder();
    void layoutControls();
    void paintBackground(QPainter& painter);

    Services services_;
    QString applicationFolder_;
    QColor backColour_ = Qt::white;

    // The background picture, read once; its failure is reported once, after the repaint.
    TiledBackground background_{services_.messages, this};
};

} // namespace cuaderno
