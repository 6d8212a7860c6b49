// The steps of the two calibration wizards as plain functions: for the step
// just entered, what the wizard shows, sends, stores and measures. The dialogs
// only apply the result.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace virn::calibration {

inline const QString kBackCaption = QStringLiteral("&Назад");
inline const QString kNextCaption = QStringLiteral("&Далее");
inline const QString kCancelCaption = QStringLiteral("Отм&ена");
inline const QString kFinishCaption = QStringLiteral("&Готово");
inline constexpr int kPageCount = 3;

// What the wizard shows once a step has been entered.
struct WizardView {
  int page = 0;
  bool navigationVisible = true;  // "&Назад" and "&Далее"
  bool backEnabled = false;
  bool nextEnabled = true;
  bool finishCaption = false;  // the third button reads "&Готово" instead of "Отм&ена"
  friend bool operator==(const WizardView&, const WizardView&) = default;
};

// The pattern both wizards share: no way back from page 0, both ways from
// page 1, only the closing button on the last page. Steps outside 0..2 show
// nothing new.
std::optional<WizardView> ViewOfStep(int step, bool nextEnabled);

// A measured frequency that cannot be one: every later frequency word would be
// divided by it.
class ERealFreqRefused : public std::runtime_error {
 public:
  ERealFreqRefused();
};
inline const QString kRealFreqRefusedText =
    QStringLiteral("Реальная частота должна быть больше нуля. Введите частоту, измеренную частотомером.");

struct FreqStepAction {
  WizardView view;
  std::optional<std::int32_t> nominalWord;  // sent with opcode 8 as it is, without correction
  std::optional<std::int32_t> realFreq;     // stored as _RealFreq
};

// Step 0 shows the nominal frequency, step 1 sends it, step 2 stores the
// measured one. Throws measure::EConvertError when the field the step reads is
// not a 32-bit integer and ERealFreqRefused for a measured frequency of zero or
// below; nothing is to be applied then.
std::optional<FreqStepAction> FreqWizardStep(int step, const QString& nominalText, const QString& realText);

enum class LevelMeasurement { None, ZeroLevel, AttenuatedLevel };

struct LevelStepAction {
  WizardView view;
  LevelMeasurement measurement = LevelMeasurement::None;
};

// Entering step 1 measures the 0 dB level, entering step 2 the attenuated one.
std::optional<LevelStepAction> LevelWizardStep(int step);

}  // namespace virn::calibration
