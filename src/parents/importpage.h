// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page that turns the parent's pictures into drawings of the book: each picture is shown
// as its two versions before anything is written; the parent picks the category, says what
// kind of picture it is and how much detail the outlines keep, and adds it. Preparing (in a
// limited helper process, killed when the work is cancelled) and writing run on a worker
// thread; a batch can be stopped.

#include "importer/importer.h"
#include "library/library.h"

#include <QFutureWatcher>
#include <QStringList>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace cuaderno {

class FamilyLibrary;
class PicturePreview;
class ProgressRow;

class ImportPage final : public QWidget {
    Q_OBJECT
public:
    explicit ImportPage(FamilyLibrary& library, QWidget* parent = nullptr);
    ~ImportPage() override;

    // Queues pictures; the first one is prepared and shown at once when nothing is on show.
    void openFiles(const QStringList& files);

    // Asks the parent for pictures; tests replace the file dialog.
    using FileChooser = std::function<QStringList(QWidget* parent)>;
    void setFileChooser(FileChooser chooser) { chooseFiles_ = std::move(chooser); }

    // What the parent sees and touches, for tests.
    QPushButton* chooseButton() const { return choose_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* addAllButton() const { return addAll_; }
    QPushButton* skipButton() const { return skip_; }
    QComboBox* categoryBox() const { return category_; }
    QRadioButton* colouredButton() const { return coloured_; }
    QRadioButton* outlinesButton() const { return outlines_; }
    QSlider* detailSlider() const { return detail_; }
    ProgressRow* progressRow() const { return progress_; }
    QLabel* statusLabel() const { return status_; }
    bool hasPreview() const { return prepared_.has_value(); }
    QThreadPool* workPool() { return &pool_; }
    int queuedCount() const { return int(queue_.size()); }

Q_SIGNALS:
    // Drawings were written into this category.
    void drawingsAdded(int category);

private:
    void setUpControls(); // looks and ranges, before the controls are laid out
    void createLayout();
    void connectControls();
    void showNext();
    void showPictures(const QImage& coloured, const QImage& uncoloured, const QString& text);
    void prepareCurrent(std::optional<lineart::Kind> kind);
    void prepared();
    void addCurrent();
    void added();
    void addBatch();
    void nextInBatch();
    void batchStepDone();
    void batchDone();
    bool inBatch() const { return batch_.has_value(); }
    void cancelWork();
    void updateButtons();
    int chosenCategory() const;
    importer::PrepareOptions options(std::optional<lineart::Kind> kind) const;

    FamilyLibrary& library_;
    FileChooser chooseFiles_;
    QStringList queue_;
    QString current_;
    std::optional<importer::Prepared> prepared_;
    // The kind the parent chose for the picture on show; none while the picture decides.
    std::optional<lineart::Kind> kindChosen_;
    // Set to stop the work under way; each new piece of work gets a fresh one.
    std::shared_ptr<std::atomic_bool> cancel_;
    std::shared_ptr<std::atomic_bool> preparingCancel_;
    QThreadPool pool_;
    QFutureWatcher<Outcome<importer::Prepared>> preparing_;
    QFutureWatcher<Outcome<int>> adding_;
    int addingCategory_ = 0;
    // A batch adds its pictures one job after the other, so a stop takes effect between two.
    struct Batch {
        Library library;
        int category = 0;
        QStringList files;
        qsizetype next = 0;
        int added = 0;
        QStringList problems;
    };
    std::optional<Batch> batch_;
    // A drawing of the batch as it lands: its number, and small copies of its two versions.
    struct Landed {
        Outcome<int> number = Failure{QString()};
        QImage coloured, uncoloured;
    };
    QFutureWatcher<Landed> batchStep_;

    QPushButton* choose_;
    QLabel* queueLabel_;
    PicturePreview* colouredView_;
    PicturePreview* uncolouredView_;
    QLabel* warnings_;
    QComboBox* category_;
    QRadioButton* coloured_;
    QRadioButton* outlines_;
    QButtonGroup* kind_;
    QSlider* detail_;
    QPushButton* add_;
    QPushButton* addAll_;
    QPushButton* skip_;
    QLabel* status_;
    ProgressRow* progress_;
};

} // namespace cuaderno
