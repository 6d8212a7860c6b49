// TQSLLine: a geometric figure, chosen by its ItemKind.
#pragma once

#include "card/qsl_component.h"

namespace virn::card {

class TQSLLine : public TQSLComponent {
 public:
  // kind::kHorizontalLine, kVerticalLine, kRectangle or kEllipse draw; any
  // other code of a figure draws nothing.
  explicit TQSLLine(std::uint8_t itemKind = kind::kHorizontalLine);
  bool AcceptsItemKind(std::uint8_t itemKind) const override;
  void PaintAt(QPainter& canvas, int x, int y) const override;
};

}  // namespace virn::card
