// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parents' "Galería" page: the pictures the book kept, newest first and grouped by day,
// each to open large, print, copy elsewhere or delete; and the switch that turns keeping off.

#include <QStringList>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QImage;
class QLabel;
class QPrinter;
class QPushButton;
class QTreeWidget;

namespace cuaderno {

// Draws picture on one page of printer, as large as the printable area allows and centred
// in it; false when the printer cannot be drawn on.
bool printFitted(QPrinter& printer, const QImage& picture);

class GalleryPage final : public QWidget {
    Q_OBJECT
public:
    explicit GalleryPage(QString folder, QWidget* parent = nullptr);

    // Lists the folder afresh and says what stands in the way of keeping pictures, if anything.
    void refresh();
    // The picture chosen in the list, or empty.
    QString chosenPicture() const;

    QTreeWidget* list() const { return list_; }
    QCheckBox* keepingSwitch() const { return switch_; }
    QLabel* problem() const { return problem_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openLarge();
    void print();
    void saveCopy();
    void remove();
    void loadNextThumbnail();
    void warn(const QString& text);

    QString folder_;
    QCheckBox* switch_;
    QLabel* problem_;
    QTreeWidget* list_;
    QPushButton* open_;
    QPushButton* print_;
    QPushButton* copy_;
    QPushButton* delete_;
    QTimer thumbnails_;
};

} // namespace cuaderno
