// Colour values of the card and its items as Qt colours.
#pragma once

#include <QColor>
#include <cstdint>

namespace virn::card {

// 0x00BBGGRR gives that colour; 0x80000000 | index gives the platform's default
// for system colour `index` (window text, window, button face, highlight, ...),
// black for an index the platform does not have. Any other high byte, kNoFill
// included, is ignored: the low 24 bits are taken as 0xBBGGRR.
QColor ColorFromValue(std::uint32_t value);

}  // namespace virn::card
