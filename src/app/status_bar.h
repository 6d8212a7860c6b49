// The main window's status bar: seven fixed-width sunken panels, 19 pixels high.
#pragma once

#include <QLabel>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string_view>

namespace virn::app {

class StatusBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPanelCount = 7;
  static constexpr int kHeight = 19;
  static constexpr std::array<int, kPanelCount> kPanelWidths = {80, 80, 90, 50, 80, 180, 50};
  // What each panel shows.
  static constexpr int kLinkPanel = 0;
  static constexpr int kVersionPanel = 1;
  static constexpr int kStepPanel = 2;
  static constexpr int kLevelPanel = 3;
  static constexpr int kFreqPanel = 4;
  static constexpr int kSpanPanel = 5;
  static constexpr int kDetectorPanel = 6;

  explicit StatusBar(QWidget* parent = nullptr);

  void setPanelText(int panel, const QString& text);
  QString panelText(int panel) const;
  QLabel* panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }

 private:
  std::array<QLabel*, kPanelCount> panels_{};
};

// The texts the panels show.
inline const QString kConnectedText = QStringLiteral("OK");
inline const QString kNoLinkText = QStringLiteral("Нет связи");
// The firmware version: every marker, in any letter case, replaced by
// "Вер. МК: ", and the text cut at its first zero byte.
QString VersionPanelText(std::string_view versionText);
// "Шаг: 118810 Гц".
QString StepPanelText(std::int32_t sweepStep);
// "Полоса обзора: 49.900.000 Гц".
QString SpanPanelText(std::int32_t startFreq, std::int32_t endFreq);
// "Лин." or "Лог.".
QString DetectorPanelText(bool linear);

}  // namespace virn::app
