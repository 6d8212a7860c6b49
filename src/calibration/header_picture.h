// The 57 x 57 pictures in the wizards' header strip, drawn rather than shipped
// as files.
#pragma once

#include <QPixmap>

namespace virn::calibration {

inline constexpr int kHeaderPictureSize = 57;

// A frequency counter's display under a sine wave.
QPixmap FrequencyCalibrationPicture();
// A level meter between a cable and an attenuator's dB steps.
QPixmap LevelCalibrationPicture();

}  // namespace virn::calibration
