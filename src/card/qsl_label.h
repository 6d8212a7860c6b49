// The text items: TQSLLabel, a text field, and TQSLDataLabel, a text field
// bound to the name of a data field.
#pragma once

#include <QStringList>

#include "card/qsl_component.h"

namespace virn::card {

class TQSLLabel : public TQSLComponent {
 public:
  TQSLLabel();
  bool AcceptsItemKind(std::uint8_t itemKind) const override { return itemKind == kind::kLabel; }

  using TQSLComponent::SetCaption;
  using TQSLComponent::SetFont;
  using TQSLComponent::SetHAligment;
  using TQSLComponent::SetOffsetShadowX;
  using TQSLComponent::SetOffsetShadowY;
  using TQSLComponent::SetRotateDegree;
  using TQSLComponent::SetShadow;
  using TQSLComponent::SetShadowColor;
  using TQSLComponent::SetVAligment;

 protected:
  explicit TQSLLabel(std::uint8_t itemKind);
};

class TQSLDataLabel : public TQSLLabel {
 public:
  TQSLDataLabel();
  // As created on a card with these data fields: bound to the first of them,
  // its name in braces as the caption.
  explicit TQSLDataLabel(const QStringList& dataFields);
  bool AcceptsItemKind(std::uint8_t itemKind) const override { return itemKind == kind::kDataLabel; }

  const QString& DataField() const { return dataField_; }
  void SetDataField(const QString& dataField) { Assign(dataField_, dataField); }

 private:
  QString dataField_;
};

}  // namespace virn::card
