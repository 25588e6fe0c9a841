#include "form1.h"

namespace cuaderno {

void Form1::Command3_Click() {}
void Form1::command4_Click() {}
void Form1::Command5_Click(std::int16_t) {}

} // namespace cuaderno
