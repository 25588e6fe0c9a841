// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page that checks the library: what keeps the book from showing a drawing, in plain
// words, each with what to do about it.

#include "library/checker.h"

#include <QFutureWatcher>
#include <QList>
#include <QThreadPool>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace cuaderno {

class FamilyLibrary;
class ProgressRow;

// One finding as the parent reads it: where, what is wrong, and what to do.
QString describeFinding(const Finding& finding, const QString& libraryFolder);

class CheckPage final : public QWidget {
    Q_OBJECT
public:
    explicit CheckPage(FamilyLibrary& library, QWidget* parent = nullptr);
    ~CheckPage() override;

    void check();

    QPushButton* checkButton() const { return check_; }
    QTextBrowser* report() const { return report_; }
    bool isChecking() const { return checking_.isRunning(); }

private:
    void checked();

    FamilyLibrary& library_;
    QString folder_;
    QThreadPool pool_;
    QFutureWatcher<QList<Finding>> checking_;
    QPushButton* check_;
    QTextBrowser* report_;
    ProgressRow* progress_;
};

} // namespace cuaderno
