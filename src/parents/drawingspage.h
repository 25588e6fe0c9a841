// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawings of each category as the book shows them, as small pictures; one can be
// removed, and the later ones move down a number so the book still reaches them all. A removal
// names the drawing by its files as listed, so a list gone stale never removes another one.
// Chosen drawings (several thumbnails, or the whole category when none is chosen) print as a
// booklet of colouring pages, on a printer or into a PDF.

#include "booklet/booklet.h"
#include "library/library.h"
#include "platform/printpreview.h"

#include <QFutureWatcher>
#include <QImage>
#include <QThreadPool>
#include <QWidget>

#include <functional>
#include <memory>

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

    // The drawings a booklet takes: those chosen, else the whole category, in number order.
    QList<booklet::Drawing> chosenDrawings() const;
    // The chosen drawings through the print preview, or as a PDF where the parent says.
    void printChosen();
    void saveChosenAsPdf();
    // Where the PDF goes, asked with a file dialog; empty when the parent cancels. Tests swap it
    // and the print preview.
    using PdfChooser = std::function<QString(QWidget* parent)>;
    void setPdfChooser(PdfChooser chooser) { choosePdf_ = std::move(chooser); }
    void setPrintPreview(std::unique_ptr<PrintPreview> preview) { preview_ = std::move(preview); }

    QListWidget* categoryList() const { return categories_; }
    QListWidget* drawingList() const { return drawings_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* printButton() const { return print_; }
    QPushButton* pdfButton() const { return pdf_; }
    ProgressRow* bookletProgress() const { return bookletProgress_; }
    // Whether no booklet is being written.
    bool bookletDone() const { return !booklet_.isRunning(); }
    QLabel* statusLabel() const { return status_; }
    // Whether every thumbnail of the category on show has been drawn.
    bool thumbnailsReady() const { return !thumbnails_.isRunning(); }

private:
    // The page's layout, and what each control and worker sets off; once, from the constructor.
    void arrange();
    void connectControls();
    void refresh();
    void updateCounts();
    void removed(int number, const Outcome<void>& outcome);
    void updateButtons();
    void bookletWritten();

    // What writing a PDF booklet came to, handed from the worker.
    struct Written {
        int pages = 0;
        QString error; // empty when written
        bool cancelled = false;
        QStringList leftOut;
        QStringList warnings; // drawings printed from a lesser outline, and why
        QString file;
    };

    FamilyLibrary& library_;
    Confirm confirm_;
    // The drawings of the category on show, as listed: what a removal expects to find.
    QList<Library::DrawingFiles> listed_;
    QThreadPool pool_;
    QFutureWatcher<QImage> thumbnails_;
    QFutureWatcher<Written> booklet_;
    PdfChooser choosePdf_;
    std::unique_ptr<PrintPreview> preview_;
    QListWidget* categories_;
    QListWidget* drawings_;
    QPushButton* remove_;
    QPushButton* print_;
    QPushButton* pdf_;
    QLabel* status_;
    ProgressRow* progress_;
    ProgressRow* bookletProgress_;
};

} // namespace cuaderno
