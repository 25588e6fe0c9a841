// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawings of each category as the book shows them, as small pictures; one can be
// removed, and the later ones move down a number so the book still reaches them all. A removal
// names the drawing by its files as listed, so a list gone stale never removes another one.

#include "library/library.h"

#include <QFutureWatcher>
#include <QImage>
#include <QThreadPool>
#include <QWidget>

#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

namespace cuaderno {

class FamilyLibrary;
class ProgressRow;

class DrawingsPage final : public QWidget {
    Q_OBJECT
public:
    explicit DrawingsPage(FamilyLibrary& library, QWidget* parent = nullptr);
    ~DrawingsPage() override;

    // Lists the category's drawings afresh (1 to 10).
    void showCategory(int category);
    int category() const;
    // Removes the drawing chosen in the list, after asking, on the library's worker.
    void removeChosen();

    // Asks a yes/no question; tests answer it without a dialog.
    using Confirm = std::function<bool(QWidget* parent, const QString& question)>;
    void setConfirm(Confirm confirm) { confirm_ = std::move(confirm); }

    QListWidget* categoryList() const { return categories_; }
    QListWidget* drawingList() const { return drawings_; }
    QPushButton* removeButton() const { return remove_; }
    QLabel* statusLabel() const { return status_; }
    // Whether every thumbnail of the category on show has been drawn.
    bool thumbnailsReady() const { return !thumbnails_.isRunning(); }

private:
    void refresh();
    void updateCounts();
    void removed(int number, const Outcome<void>& outcome);

    FamilyLibrary& library_;
    Confirm confirm_;
    // The drawings of the category on show, as listed: what a removal expects to find.
    QList<Library::DrawingFiles> listed_;
    QThreadPool pool_;
    QFutureWatcher<QImage> thumbnails_;
    QListWidget* categories_;
    QListWidget* drawings_;
    QPushButton* remove_;
    QLabel* status_;
    ProgressRow* progress_;
};

} // namespace cuaderno
