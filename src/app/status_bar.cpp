#include "app/status_bar.h"

#include <QHBoxLayout>

#include "card/counted_text.h"
#include "link/command_frame.h"
#include "measure/frequency.h"

namespace virn::app {

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("StatusBar1"));
  setFixedHeight(kHeight);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int i = 0; i < kPanelCount; ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setFixedSize(kPanelWidths[static_cast<std::size_t>(i)], kHeight);
    label->setContentsMargins(2, 0, 2, 0);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    panels_[static_cast<std::size_t>(i)] = label;
  }
  layout->addStretch(1);
}

void StatusBar::setPanelText(int panel, const QString& text) {
  this->panel(panel)->setText(text);
}

QString StatusBar::panelText(int panel) const {
  return this->panel(panel)->text();
}

QString VersionPanelText(std::string_view versionText) {
  // One byte per character, in the instrument's Cyrillic code page.
  QString text =
      card::FromWindows1251(QByteArrayView(versionText.data(), static_cast<qsizetype>(versionText.size())));
  text.replace(
      QLatin1String(link::kVersionMarker.data(), static_cast<qsizetype>(link::kVersionMarker.size())),
      QStringLiteral("Вер. МК: "), Qt::CaseInsensitive);
  const qsizetype zero = text.indexOf(QChar(u'\0'));
  if (zero >= 0) text.truncate(zero);
  return text;
}

QString StepPanelText(std::int32_t sweepStep) {
  return QStringLiteral("Шаг: %1 Гц").arg(sweepStep);
}

QString SpanPanelText(std::int32_t startFreq, std::int32_t endFreq) {
  constexpr std::int32_t kSpanUnit = 1000000;
  const QString span = measure::FreqToStr(static_cast<std::int64_t>(endFreq) - startFreq, kSpanUnit, true);
  return QStringLiteral("Полоса обзора: %1 Гц").arg(span);
}

QString DetectorPanelText(bool linear) {
  return linear ? QStringLiteral("Лин.") : QStringLiteral("Лог.");
}

}  // namespace virn::app
