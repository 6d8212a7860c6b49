#include "card/qsl_label.h"

namespace virn::card {

TQSLLabel::TQSLLabel() : TQSLLabel(kind::kLabel) {}

TQSLLabel::TQSLLabel(std::uint8_t itemKind) : TQSLComponent(itemKind, QStringLiteral("Текст")) {}

TQSLDataLabel::TQSLDataLabel() : TQSLLabel(kind::kDataLabel) {}

TQSLDataLabel::TQSLDataLabel(const QStringList& dataFields) : TQSLDataLabel() {
  if (dataFields.isEmpty()) return;
  SetDataField(dataFields.front());
  SetCaption(QLatin1Char('{') + dataFields.front() + QLatin1Char('}'));
}

}  // namespace virn::card
