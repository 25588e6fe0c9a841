// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loads a tool's picture into the control that uses it. Each call reads the file afresh,
// so every control gets its own copy; a failed load leaves the control as it was.

#include <QString>

class QWidget;

namespace cuaderno {

class GraphicalButton;
class ImageControl;

// The picture at path becomes the face of button.
bool showOnFace(GraphicalButton& button, const QString& path, QString& error);
// The brush takes the size of the picture at path; its position stays.
bool takeBrushSize(ImageControl& brush, const QString& path, QString& error);
// The icon at path becomes the pointer over canvas, its hot spot at its centre.
bool setCanvasPointer(QWidget& canvas, const QString& path, QString& error);

} // namespace cuaderno
