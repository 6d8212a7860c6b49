// The plot picture: generator frequency, or grid, level curve and marker layer,
// drawn off-screen into one 455 x 281 image that the window, the export and
// the print all copy; or the same picture drawn for a screen of another device
// pixel ratio, with the same geometry in plot pixels and the same readouts.
#pragma once

#include <QImage>
#include <memory>

#include "display/marker.h"
#include "display/plot_inputs.h"

namespace virn::display {

class TPlotRenderer {
 public:
  // Draws at a device pixel ratio: 1 gives PlotBitmap.
  explicit TPlotRenderer(double ratio = 1.0);
  ~TPlotRenderer();
  TPlotRenderer(const TPlotRenderer&) = delete;
  TPlotRenderer& operator=(const TPlotRenderer&) = delete;

  // Brings the picture up to date with the inputs. Returns false, and draws
  // nothing, when they give the same picture as the last call; true when the
  // picture was redrawn and the plot area needs repainting.
  bool Render(const PlotInputs& in);

  // PlotBitmap: 455 x 281, Format_RGB32, white before the first Render. Paint
  // from it directly; a copy kept across Render calls makes the next redraw
  // copy the whole image first. At another ratio, the device pixels of the
  // 455 x 281 plot pixels, with that device pixel ratio set.
  const QImage& Image() const;
  double Ratio() const;

  // What the marker layer found and wrote at the last redraw (empty texts
  // where nothing was drawn).
  const MarkerReadout& Readout() const;

  // Forgets the last inputs, so that the next Render redraws everything.
  void Invalidate();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One complete picture drawn from nothing, with no state kept: the reference
// the renderer's own picture must equal.
QImage RenderPlot(const PlotInputs& in, double ratio = 1.0);

}  // namespace virn::display
