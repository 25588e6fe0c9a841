// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Printing many pages with the parent's say: a preview of them, and from it the print dialog
// (printer, copies, both sides as the printer offers). Tests fake it, so they never print.

#include <QPageSize>

#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace cuaderno {

class PrintPreview {
public:
    virtual ~PrintPreview() = default;
    // Paints onto the preview, and onto the printer when the parent prints from it; `paint`
    // may be called several times. Returns whether the pages were sent to a printer.
    using Paint = std::function<void(QPagedPaintDevice& device)>;
    virtual bool previewAndPrint(QWidget* parent, QPageSize paper, const Paint& paint) = 0;
};

// The system's print preview and print dialogs.
class QtPrintPreview final : public PrintPreview {
public:
    bool previewAndPrint(QWidget* parent, QPageSize paper, const Paint& paint) override;
};

} // namespace cuaderno
