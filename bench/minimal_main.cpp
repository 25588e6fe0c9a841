// SPDX-License-Identifier: GPL-3.0-or-later
// The least a Qt Widgets program does to show a picture full screen: the start-up floor.

#include "firstframe.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

class Page final : public QWidget {
public:
    explicit Page(QImage picture) : picture_(std::move(picture)) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(0, 0, picture_);
    }

private:
    QImage picture_;
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Page page(argc > 1 ? QImage(QString::fromLocal8Bit(argv[1])) : QImage());
    page.setWindowFlag(Qt::FramelessWindowHint);
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        page.setGeometry(primary->geometry());
    }
    const cuaderno::bench::QuitAfterFirstFrame quit(&page);
    page.showFullScreen();
    return QApplication::exec();
}
