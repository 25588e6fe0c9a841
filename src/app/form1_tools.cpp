#include "form1.h"

#include <QPainter>

namespace cuaderno {

void Form1::Command1_Click() {}
void Form1::Command6_Click(std::int16_t) {}
void Form1::Picture1_Mousemove(Qt::MouseButtons, float, float) {}
void Form1::Form_Paint(QPainter&) {}

} // namespace cuaderno
