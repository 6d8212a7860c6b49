#include "card/card_colors.h"

#include <array>

#include "card/card_types.h"

namespace virn::card {

namespace {

// The platform's default scheme, as 0xRRGGBB, indexed by system colour number
// (scroll bar, desktop, active caption, ..., menu bar).
constexpr std::array<QRgb, 31> kSystemColors = {
    0xC8C8C8,  // 0 scroll bar
    0x000000,  // 1 desktop
    0x99B4D1,  // 2 active caption
    0xBFCDDB,  // 3 inactive caption
    0xF0F0F0,  // 4 menu
    0xFFFFFF,  // 5 window
    0x646464,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0x000000,  // 9 caption text
    0xB4B4B4,  // 10 active border
    0xF4F7FC,  // 11 inactive border
    0xABABAB,  // 12 application workspace
    0x3399FF,  // 13 highlight
    0xFFFFFF,  // 14 highlighted text
    0xF0F0F0,  // 15 button face
    0xA0A0A0,  // 16 button shadow
    0x6D6D6D,  // 17 grey text
    0x000000,  // 18 button text
    0x434E54,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x696969,  // 21 3-D dark shadow
    0xE3E3E3,  // 22 3-D light
    0x000000,  // 23 tooltip text
    0xFFFFE1,  // 24 tooltip background
    0x000000,  // 25 (unused)
    0x0066CC,  // 26 hot-tracked item
    0xB9D1EA,  // 27 active caption gradient
    0xD7E4F2,  // 28 inactive caption gradient
    0x3399FF,  // 29 menu highlight
    0xF0F0F0,  // 30 menu bar
};

}  // namespace

QColor ColorFromValue(std::uint32_t value) {
  if ((value & 0xFF000000u) == color::kSystemFlag) {
    const std::uint32_t index = value & 0x00FFFFFFu;
    return index < kSystemColors.size() ? QColor::fromRgb(kSystemColors[index]) : QColor(Qt::black);
  }
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

}  // namespace virn::card
