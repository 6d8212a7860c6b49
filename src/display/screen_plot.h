// The plot as the window keeps it: the picture the plot area shows, drawn at
// the area's device pixel ratio, and PlotBitmap, the picture at ratio 1 that
// saving and printing take. At ratio 1 they are one picture; at another the
// bitmap is drawn from the same inputs only when it is asked for.
#pragma once

#include <QImage>
#include <memory>
#include <optional>

#include "display/plot_inputs.h"
#include "display/plot_renderer.h"

namespace virn::display {

class ScreenPlot {
 public:
  ScreenPlot();

  // Brings the screen's picture up to date with the inputs at the ratio; true
  // when it changed and the plot area needs repainting. A new ratio (the
  // window went to another screen) draws everything anew.
  bool Render(const PlotInputs& in, double ratio);
  double Ratio() const { return screen_->Ratio(); }
  // True when the screen's picture is drawn for a screen of this ratio.
  bool DrawnFor(double ratio) const;

  // What the plot area paints, at its logical size of 455 x 281.
  const QImage& Screen() const { return screen_->Image(); }
  // PlotBitmap of the inputs last rendered.
  const QImage& Bitmap();

 private:
  std::unique_ptr<TPlotRenderer> screen_;
  std::unique_ptr<TPlotRenderer> bitmap_;  // only while the screen is at another ratio
  std::optional<PlotInputs> last_;         // the same
};

}  // namespace virn::display
