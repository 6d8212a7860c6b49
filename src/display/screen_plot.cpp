#include "display/screen_plot.h"

#include "display/device_scale.h"

namespace virn::display {

ScreenPlot::ScreenPlot() : screen_(std::make_unique<TPlotRenderer>()) {}

bool ScreenPlot::Render(const PlotInputs& in, double ratio) {
  const DeviceScale scale(ratio);
  if (scale.Ratio() != screen_->Ratio()) screen_ = std::make_unique<TPlotRenderer>(scale.Ratio());
  if (scale.Unscaled()) {
    bitmap_.reset();
    last_.reset();
  } else {
    last_ = in;
  }
  return screen_->Render(in);
}

bool ScreenPlot::DrawnFor(double ratio) const {
  return DeviceScale(ratio).Ratio() == screen_->Ratio();
}

const QImage& ScreenPlot::Bitmap() {
  if (!last_) return screen_->Image();
  if (!bitmap_) bitmap_ = std::make_unique<TPlotRenderer>();
  bitmap_->Render(*last_);
  return bitmap_->Image();
}

}  // namespace virn::display
