#include "app/status_bar.h"

#include <QHBoxLayout>

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

}  // namespace virn::app
