// SPDX-License-Identifier: GPL-3.0-or-later
#include "extras.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <numbers>

namespace cuaderno::samples {
namespace {

constexpr double kPi = std::numbers::pi;
const QColor kInk(45, 40, 50);

using Scene = std::function<void(QPainter&, double t, int frame)>;

struct Animation {
    int frames;
    Scene draw;
};

QPen ink(double width = 1.5)
{
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPolygonF star(QPointF centre, double outer, double inner, double degrees, int points = 5)
{
    QPolygonF polygon;
    for (int i = 0; i < 2 * points; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = (degrees - 90 + i * 180.0 / points) * kPi / 180;
        polygon << centre + QPointF(r * std::cos(a), r * std::sin(a));
    }
    return polygon;
}

void bouncingBall(QPainter& p, double t, int)
{
    p.fillRect(0, 0, 65, 57, QColor(216, 240, 255));
    p.fillRect(0, 48, 65, 9, QColor(155, 224, 122));
    p.setPen(ink(1));
    p.drawLine(QPointF(0, 48), QPointF(65, 48));
    const double height = 26 * std::sin(kPi * t);
    const double squash = height < 3 ? 0.18 * (1 - height / 3) : 0.0;
    const double rx = 10 * (1 + squash), ry = 10 * (1 - squash);
    const QPointF centre(32.5, 48 - ry - height);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    const double shadow = 11 - height / 4;
    p.drawEllipse(QPointF(32.5, 50), shadow, shadow / 4);
    const QRectF ball(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry);
    const QColor wedges[] = {QColor(240, 70, 70), QColor(255, 220, 60), QColor(70, 140, 240),
                             QColor(255, 255, 255)};
    const int turn = int(t * 360 * 16);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(wedges[i]);
        p.drawPie(ball, turn + i * 90 * 16, 90 * 16);
    }
    p.setPen(ink());
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ball);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 2.5, 2.5);
}

void spinningStar(QPainter& p, double t, int frame)
{
    p.fillRect(0, 0, 65, 57, QColor(243, 232, 255));
    const double grow = 1 + 0.07 * std::sin(2 * kPi * t);
    p.setPen(ink(1.8));
    p.setBrush(QColor(255, 210, 63));
    p.drawPolygon(star(QPointF(32.5, 29.5), 24 * grow, 10 * grow, t * 72));
    p.setBrush(kInk);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(29, 28), 1.6, 2.2);
    p.drawEllipse(QPointF(36, 28), 1.6, 2.2);
    p.setPen(ink(1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(29, 29, 7, 5), 200 * 16, 140 * 16);
    // Three sparkles twinkling in turn.
    const QPointF spots[] = {{8, 9}, {57, 12}, {54, 49}};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 170, 220));
    for (int i = 0; i < 3; ++i) {
        const double size = 1.5 + 3 * std::abs(std::sin(kPi * (frame / 10.0 + i / 3.0)));
        p.drawPolygon(star(spots[i], size, size / 3, 0, 4));
    }
}

void swimmingFish(QPainter& p, double t, int)
{
    p.fillRect(0, 0, 65, 57, QColor(191, 232, 255));
    p.setPen(ink(1));
    p.setBrush(QColor(245, 227, 161));
    p.drawChord(QRectF(-20, 48, 105, 30), 0, 180 * 16);
    const double bob = 2 * std::sin(2 * kPi * t);
    const double wag = 25 * std::sin(2 * kPi * t);
    p.save();
    p.translate(33, 26 + bob);
    p.save();
    p.translate(-14, 0);
    p.rotate(wag);
    p.setPen(ink());
    p.setBrush(QColor(255, 120, 40));
    p.drawPolygon(QPolygonF{QPointF(2, 0), QPointF(-12, -9), QPointF(-9, 0), QPointF(-12, 9)});
    p.restore();
    p.setBrush(QColor(255, 150, 50));
    p.drawEllipse(QPointF(0, 0), 17, 11);
    p.setBrush(QColor(255, 200, 90));
    p.drawPolygon(QPolygonF{QPointF(-4, -10), QPointF(4, -15), QPointF(7, -9)});
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, -3), 3.5, 3.5);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(9, -3), 1.5, 1.5);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(10, 1, 5, 4), 180 * 16, 120 * 16);
    p.restore();
    // Bubbles rise from the mouth and start again at the bottom.
    p.setPen(QPen(QColor(80, 140, 200), 1));
    p.setBrush(QColor(235, 248, 255));
    for (int i = 0; i < 2; ++i) {
        const double phase = std::fmod(t + i * 0.5, 1.0);
        p.drawEllipse(QPointF(52 + 3 * std::sin(2 * kPi * phase), 24 - 22 * phase),
                      1.5 + 1.5 * phase, 1.5 + 1.5 * phase);
    }
}

void jumpingFrog(QPainter& p, double t, int)
{
    p.fillRect(0, 0, 65, 57, QColor(223, 247, 230));
    p.fillRect(0, 44, 65, 13, QColor(143, 211, 240));
    p.setPen(ink(1));
    p.setBrush(QColor(110, 190, 80));
    p.drawEllipse(QPointF(32.5, 48), 22, 5);
    const double height = 22 * std::sin(kPi * t);
    const double y = 40 - height;
    const QColor green(120, 200, 90);
    p.setPen(ink());
    p.setBrush(green);
    if (height > 6) {
        // Legs stretched while in the air.
        p.drawPolygon(QPolygonF{QPointF(24, y + 2), QPointF(18, y + 12), QPointF(22, y + 13)});
        p.drawPolygon(QPolygonF{QPointF(41, y + 2), QPointF(47, y + 12), QPointF(43, y + 13)});
    } else {
        p.drawEllipse(QPointF(20, y + 3), 6, 4);
        p.drawEllipse(QPointF(45, y + 3), 6, 4);
    }
    p.drawEllipse(QPointF(32.5, y - 2), 14, 9);
    p.drawEllipse(QPointF(26, y - 11), 4.5, 4.5);
    p.drawEllipse(QPointF(39, y - 11), 4.5, 4.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(26, y - 11.5), 2.5, 2.5);
    p.drawEllipse(QPointF(39, y - 11.5), 2.5, 2.5);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(26.5, y - 11.5), 1, 1);
    p.drawEllipse(QPointF(39.5, y - 11.5), 1, 1);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(26, y - 7, 13, 6), 200 * 16, 140 * 16);
}

void blinkingSun(QPainter& p, double t, int frame)
{
    p.fillRect(0, 0, 65, 57, QColor(214, 238, 255));
    const QPointF centre(32.5, 28.5);
    const double reach = 25 + 2 * std::sin(2 * kPi * t);
    p.setPen(ink(1.2));
    p.setBrush(QColor(255, 170, 40));
    for (int i = 0; i < 10; ++i) {
        const double a = (i * 36 + t * 36) * kPi / 180;
        const QPointF dir(std::cos(a), std::sin(a)), side(-dir.y(), dir.x());
        p.drawPolygon(QPolygonF{centre + dir * 14 + side * 4, centre + dir * reach,
                                centre + dir * 14 - side * 4});
    }
    p.setPen(ink());
    p.setBrush(QColor(255, 214, 60));
    p.drawEllipse(centre, 15, 15);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 150, 140));
    p.drawEllipse(centre + QPointF(-9, 4), 3, 2);
    p.drawEllipse(centre + QPointF(9, 4), 3, 2);
    p.setPen(ink(1.4));
    const bool closed = frame == 6 || frame == 7;
    for (double x : {-5.0, 5.0}) {
        if (closed) {
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(centre.x() + x - 2.5, centre.y() - 6, 5, 4), 180 * 16, 180 * 16);
        } else {
            p.setBrush(kInk);
            p.drawEllipse(centre + QPointF(x, -4), 1.6, 2.3);
        }
    }
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - 6, centre.y() - 3, 12, 9), 200 * 16, 140 * 16);
}

void littleCar(QPainter& p, double t, int frame)
{
    p.fillRect(0, 0, 65, 57, QColor(223, 241, 255));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14, 11), 8, 5);
    p.drawEllipse(QPointF(21, 9), 7, 6);
    p.drawEllipse(QPointF(50, 15), 7, 4);
    p.fillRect(0, 44, 65, 13, QColor(140, 144, 152));
    // Road stripes slide by one period over the loop.
    p.setBrush(Qt::white);
    for (int i = -1; i < 5; ++i)
        p.drawRect(QRectF(i * 20 - t * 20 + 4, 50, 10, 2));
    const double bump = frame % 2 ? 1 : 0;
    p.save();
    p.translate(0, bump);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 220, 220, 200));
    const double puff = std::fmod(t * 2, 1.0);
    p.drawEllipse(QPointF(11 - 6 * puff, 37 - 2 * puff), 2 + 3 * puff, 2 + 3 * puff);
    p.setPen(ink());
    p.setBrush(QColor(235, 60, 60));
    QPainterPath body;
    body.moveTo(13, 40);
    body.lineTo(13, 32);
    body.lineTo(22, 31);
    body.lineTo(27, 22);
    body.lineTo(42, 22);
    body.lineTo(48, 31);
    body.lineTo(54, 33);
    body.lineTo(54, 40);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(190, 230, 255));
    p.drawPolygon(QPolygonF{QPointF(25, 31), QPointF(29, 25), QPointF(34, 25), QPointF(34, 31)});
    p.drawPolygon(QPolygonF{QPointF(37, 31), QPointF(37, 25), QPointF(41, 25), QPointF(45, 31)});
    p.setBrush(QColor(255, 230, 90));
    p.drawEllipse(QPointF(52, 35), 1.5, 1.5);
    p.restore();
    for (double x : {22.0, 45.0}) {
        const QPointF hub(x, 41);
        p.setPen(ink());
        p.setBrush(QColor(60, 60, 70));
        p.drawEllipse(hub, 5.5, 5.5);
        p.setBrush(QColor(200, 200, 210));
        p.drawEllipse(hub, 2.5, 2.5);
        // Spokes turn a quarter turn per loop, which looks continuous for a cross.
        const double a = t * kPi / 2;
        p.setPen(QPen(QColor(200, 200, 210), 1));
        for (int k = 0; k < 2; ++k) {
            const double b = a + k * kPi / 2;
            const QPointF d(4.5 * std::cos(b), 4.5 * std::sin(b));
            p.drawLine(hub - d, hub + d);
        }
    }
}

const QList<Animation>& animations()
{
    static const QList<Animation> list{
        {10, bouncingBall}, {10, spinningStar}, {12, swimmingFish},
        {10, jumpingFrog},  {10, blinkingSun},  {8, littleCar},
    };
    return list;
}

} // namespace

int animationCount()
{
    return int(animations().size());
}

QList<QImage> animationFrames(int index)
{
    QList<QImage> frames;
    if (index < 0 || index >= animationCount())
        return frames;
    const Animation& animation = animations().at(index);
    for (int i = 0; i < animation.frames; ++i) {
        QImage image(kAnimationSize, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        animation.draw(painter, double(i) / animation.frames, i);
        painter.end();
        frames.append(image);
    }
    return frames;
}

QList<int> brushSides()
{
    return {20, 40, 60, 90};
}

QImage brushPicture(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(30, 70, 160), side >= 40 ? 2 : 1));
    painter.setBrush(QColor(60, 120, 230));
    const double r = side / 2.0 - 1;
    painter.drawEllipse(QPointF(side / 2.0, side / 2.0), r, r);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(150, 190, 250));
    painter.drawEllipse(QPointF(side * 0.36, side * 0.34), r * 0.22, r * 0.16);
    painter.end();
    return image;
}

QImage backgroundTile()
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(QColor(255, 246, 224));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    struct Dot {
        QPointF at;
        double radius;
        QColor colour;
    };
    const Dot dots[] = {
        {{10, 12}, 6, QColor(255, 224, 230)}, {{42, 8}, 4, QColor(220, 238, 255)},
        {{30, 34}, 7, QColor(226, 246, 216)}, {{58, 40}, 5, QColor(255, 238, 190)},
        {{12, 52}, 4, QColor(220, 238, 255)}, {{46, 60}, 6, QColor(255, 224, 230)},
    };
    // Each dot is drawn again one tile over so the pattern wraps without seams.
    for (const Dot& dot : dots) {
        painter.setBrush(dot.colour);
        for (int dx : {-64, 0, 64})
            for (int dy : {-64, 0, 64})
                painter.drawEllipse(dot.at + QPointF(dx, dy), dot.radius, dot.radius);
    }
    painter.end();
    return image;
}

} // namespace cuaderno::samples
