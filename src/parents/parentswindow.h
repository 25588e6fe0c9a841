// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parents' and teachers' window: the library the family's book uses, its printing
// switch, and one page per task (adding pictures, the drawings, the check).

#include <QRect>
#include <QWidget>

class QCheckBox;
class QLabel;
class QTabWidget;

namespace cuaderno {

class CheckPage;
class DrawingsPage;
class FamilyLibrary;
class ImportPage;
class ProgressRow;

// Where the window goes (its inside, without the frame) in a screen's available area: the place
// the parent last gave it when valid, else the preferred size centred; never larger than the
// area less room for the frame, and moved wholly inside it.
QRect placeWindow(const QRect& available, const QSize& preferred, const QRect& saved);

class ParentsWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ParentsWindow(FamilyLibrary* library, QWidget* parent = nullptr);

    // Adds a page of another module as a tab.
    void addPage(QWidget* page, const QString& title);

    ImportPage* importPage() const { return import_; }
    DrawingsPage* drawingsPage() const { return drawings_; }
    CheckPage* checkPage() const { return check_; }
    // The first line: which library the book opens.
    QLabel* libraryLine() const { return folder_; }
    QCheckBox* printingSwitch() const { return printing_; }
    QLabel* printingProblem() const { return printingProblem_; }
    // Shown while a change waits for another program, with Cancelar.
    ProgressRow* waitRow() const { return wait_; }
    QTabWidget* tabs() const { return tabs_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void takePlace();
    void showLibrary();
    void setPrinting(bool on);
    void showWaiting();

    FamilyLibrary* library_;
    QLabel* folder_;
    QCheckBox* printing_;
    QLabel* printingProblem_;
    ProgressRow* wait_;
    QTabWidget* tabs_;
    ImportPage* import_;
    DrawingsPage* drawings_;
    CheckPage* check_;
};

} // namespace cuaderno
