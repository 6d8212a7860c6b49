#include "display/device_scale.h"

#include <algorithm>
#include <cmath>

#include "display/plot_inputs.h"

namespace virn::display {

namespace {

constexpr int kDotOn = 3;
constexpr int kDotPeriod = 6;
// Far enough beyond any picture that clipping treats it as outside, near
// enough that sums of a few of them stay within an int.
constexpr double kDeviceLimit = 1 << 28;
// A position a rounding error short of a pixel's edge still lies in that pixel.
constexpr double kEdgeSlack = 1e-6;

}  // namespace

DeviceScale::DeviceScale(double ratio)
    : ratio_(std::isfinite(ratio) ? std::clamp(ratio, kMinDeviceRatio, kMaxDeviceRatio) : 1.0),
      lineWidth_(std::max(1, static_cast<int>(std::floor(ratio_)))) {}

int DeviceScale::Edge(std::int64_t p) const {
  const double device = std::ceil(static_cast<double>(p) * ratio_ - kEdgeSlack);
  return static_cast<int>(std::clamp(device, -kDeviceLimit, kDeviceLimit));
}

int DeviceScale::Pixels(int plotPixels) const {
  return std::max(1, static_cast<int>(std::lround(plotPixels * ratio_)));
}

QSize DeviceScale::ImageSize() const {
  return {Edge(kPlotWidth), Edge(kPlotHeight)};
}

void DrawPlotLine(Canvas& canvas, const DeviceScale& scale, Qt::Orientation along, int from, int to,
                  std::int64_t at, QRgb color, bool dotted) {
  const int across = scale.Edge(at);
  const int width = scale.LineWidth();
  const int step = dotted ? kDotOn : to - from;
  for (int first = from; first < to; first += dotted ? kDotPeriod : step) {
    const int a = scale.Edge(first);
    const int b = scale.Edge(std::min(first + step, to));
    if (along == Qt::Horizontal) {
      canvas.FillRect(QRect(a, across, b - a, width), color);
    } else {
      canvas.FillRect(QRect(across, a, width, b - a), color);
    }
  }
}

QPoint PlotCell(const QPointF& position) {
  const auto cell = [](double v) {
    return static_cast<int>(std::clamp(std::floor(v + kEdgeSlack), -kDeviceLimit, kDeviceLimit));
  };
  return {cell(position.x()), cell(position.y())};
}

}  // namespace virn::display
