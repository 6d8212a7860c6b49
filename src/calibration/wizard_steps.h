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

// A frequency the calibration cannot use: a measured frequency of zero would
// divide every later frequency word by zero, a nominal one of zero gives
// nothing to compare with.
class ERealFreqRefused : public std::runtime_error {
 public:
  explicit ERealFreqRefused(const QString& text);
};
inline const QString kRealFreqRefusedText =
    QStringLiteral("Реальная частота должна быть больше нуля. Введите частоту, измеренную частотомером.");
inline const QString kNominalFreqRefusedText = QStringLiteral("Частота должна быть больше нуля.");
inline const QString kRealFreqOutOfRangeText =
    QStringLiteral("Реальная частота слишком далека от заданной. Проверьте показания частотомера.");

// The measured frequency as _RealFreq keeps it: what the instrument puts out
// for the reference nominal frequency corrFreq. Measured at another nominal
// frequency, it is scaled by corrFreq / nominal (rounded, ties to even), so the
// correction holds whatever nominal frequency the user chose. Nullopt when the
// result does not fit a positive 32-bit integer.
std::optional<std::int32_t> RealFreqFor(std::int32_t measured, std::int32_t nominal, std::int32_t corrFreq);

struct FreqStepAction {
  WizardView view;
  std::optional<std::int32_t> nominalWord;  // sent with opcode 8 as it is, without correction
  std::optional<std::int32_t> realFreq;     // stored as _RealFreq
};

// Step 0 shows the nominal frequency, step 1 sends it, step 2 stores the
// measured one (see RealFreqFor). Throws measure::EConvertError when a field
// the step reads is not a 32-bit integer, ERealFreqRefused for a nominal or
// measured frequency of zero or below; nothing is to be applied then.
std::optional<FreqStepAction> FreqWizardStep(int step, const QString& nominalText, const QString& realText,
                                             std::int32_t corrFreq);

enum class LevelMeasurement { None, ZeroLevel, AttenuatedLevel };

struct LevelStepAction {
  WizardView view;
  LevelMeasurement measurement = LevelMeasurement::None;
};

// Entering step 1 measures the 0 dB level, entering step 2 the attenuated one.
std::optional<LevelStepAction> LevelWizardStep(int step);

}  // namespace virn::calibration
