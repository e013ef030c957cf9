#include "ui/placement.h"

#include "ui/program.h"

namespace dcf {

// Placeholder until placement is built.
double centredPosition(float, float, int16_t)
{
    return 0;
}
std::string numberToText(float)
{
    return {};
}
double textToNumber(std::string_view)
{
    return 0;
}
float clampToCoordinate(double)
{
    return 0;
}
void HScroll1_Change(Program &) { }
void VScroll1_Change(Program &) { }
void txtLeft_Change(Program &) { }
void txtTop_Change(Program &) { }
void Form_MouseMove(Program &) { }

} // namespace dcf
