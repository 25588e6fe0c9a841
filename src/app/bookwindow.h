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

class Form1 final : public QWidget {
    Q_OBJECT
public:
    Form1(Services services, QString applicationFolder, QWidget* parent = nullptr);
    ~Form1() override;

    // Run once before the window is first shown.
    void Form_Load();

    // Handlers, public so that tests drive them as the child's clicks do.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void command4_Click();
    void Command5_Click(std::int16_t Index);
    void Command6_Click(std::int16_t Index);
    // From: where the held mouse was at its stroke's previous move (twips), else (X, Y).
    void Picture1_Mousemove(Qt::MouseButtons Button, float X, float Y, QPointF From);
    // Fingers and a pen's tip moved on the canvas (twips), each from its previous move.
    void Picture1_StrokesMoved(const QList<QLineF>& strokes);
    // Hands the page on show to the keeper if the child coloured it since it was last kept.
    // Every way the book ends comes through here: the quit button, the window's close, the
    // session ending and the application quitting.
    void keepPageOnShow();

    // Run state.
    std::uint8_t currentCategory = 0;
    std::array<std::int16_t, 11> drawingNumber{};
    QString appFolder;
    QString printerSwitch;
    std::int16_t brushNumber = 0;
    std::int16_t pointerNumber = 0;
    std::int16_t animationNumber = 0;

    // Controls, owned through Qt's parent-child tree.
    PictureBox* Picture1 = nullptr;
    PictureBox* Picture2 = nullptr;
    ImageControl Image1;
    AnimatedPicture* Gif89a1 = nullptr;
    GraphicalButton* Command1 = nullptr;
    GraphicalButton* Command2 = nullptr;
    GraphicalButton* Command3 = nullptr;
    GraphicalButton* Command4 = nullptr;
    std::array<GraphicalButton*, 10> Command5{};
    std::array<GraphicalButton*, 2> Command6{};

    QColor backColour() const { return backColour_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // The window manager's close (Alt+F4, a taskbar) ends the run as the quit button does.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void setTabOrder();
    void LayoutControls();
    void Form_Paint(QPainter& painter);

    Services services_;
    QString applicationFolder_;
    QColor backColour_ = Qt::white;

    // The background picture, read once; its failure is reported once, after the repaint.
    TiledBackground background_{services_.messages, this};
};

} // namespace cuaderno
