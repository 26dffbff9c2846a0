// The default output palette shared by the build functions and the painters.
#include "formulas/formulaservice.h"

namespace formula {
namespace {

constexpr uint32_t colorWord(uint32_t r, uint32_t g, uint32_t b)
{
    return r | g << 8 | b << 16;
}

const std::array<uint32_t, 7> kPalette = {
    colorWord(255, 255, 255), colorWord(217, 128, 36), colorWord(181, 91, 173),  colorWord(29, 182, 36),
    colorWord(26, 152, 252),  colorWord(182, 173, 78), colorWord(173, 216, 230),
};

std::size_t paletteIndex = 0;  // GUI thread only

}  // namespace

const std::array<uint32_t, 7>& defaultPalette()
{
    return kPalette;
}

void resetDefaultColor()
{
    paletteIndex = 0;
}

uint32_t nextDefaultColor()
{
    if (paletteIndex >= kPalette.size())
        paletteIndex = 0;
    return kPalette[paletteIndex++];
}

}  // namespace formula
