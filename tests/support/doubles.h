// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test doubles for what cannot be observed headless: screen, sound, printer, message box,
// the keeper of coloured pages.

#include "platform/keeper.h"
#include "platform/messagebox.h"
#include "platform/printer.h"
#include "platform/screen.h"
#include "platform/sound.h"

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QStringList>

#include <tuple>

namespace cuaderno::test {

class FixedScreen final : public Screen {
public:
    FixedScreen(float width, float height) : width_(width), height_(height) {}
    float widthTwips() const override { return width_; }
    float heightTwips() const override { return height_; }

private:
    float width_;
    float height_;
};

class RecordingSound final : public Sound {
public:
    void play(const QString& path) override { played.append(path); }
    QStringList played;
};

class RecordingMessageBox final : public MessageBox {
public:
    void show(const QString& text) override { shown.append(text); }
    QStringList shown;
};

class RecordingPrinter final : public Printer {
public:
    struct Job {
        QImage picture;
        QSizeF sizeTwips;
    };
    bool printPicture(const QImage& picture, QSizeF sizeTwips, QString& error) override
    {
        error = failWith;
        if (failWith.isEmpty()) {
            jobs.append({picture, sizeTwips});
        }
        return failWith.isEmpty();
    }
    QList<Job> jobs;
    QString failWith; // when set, every job fails with this description
};

class RecordingKeeper final : public Keeper {
public:
    void keep(const QImage& picture, std::uint8_t category, std::int16_t number) override
    {
        pages.append({picture, category, number});
    }
    QList<std::tuple<QImage, int, int>> pages; // picture, category, number
};

} // namespace cuaderno::test
