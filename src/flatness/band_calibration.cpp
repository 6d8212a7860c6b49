#include "flatness/band_calibration.h"

#include <QTimer>
#include <cmath>

namespace virn::flatness {

namespace {

constexpr int kSteps = measure::kSampleCount - 1;

}  // namespace

std::vector<Segment> BandSegments(int count) {
  std::vector<Segment> segments;
  const double spacing = (static_cast<double>(kBandTopHz) - kBandStartHz) /
                         (static_cast<double>(count) * measure::kSampleCount - 1);
  for (int k = 0; k < count; ++k) {
    const double first = kBandStartHz + spacing * k * measure::kSampleCount;
    segments.push_back({static_cast<std::int32_t>(std::lround(first)),
                        static_cast<std::int32_t>(std::lround(first + spacing * kSteps))});
  }
  return segments;
}

BandCalibration::BandCalibration(control::InstrumentController& controller, Progress progress,
                                 Finished finished)
    : controller_(controller), progress_(std::move(progress)), finished_(std::move(finished)) {}

BandCalibration::~BandCalibration() {
  finished_ = nullptr;
  if (running_) Cancel();
}

void BandCalibration::Start() {
  if (running_) return;
  if (!controller_.Connected()) {
    Finish(CalibrationEnd::NotConnected);
    return;
  }
  const measure::Settings& settings = controller_.Settings();
  userStart_ = settings.startFreq;
  userEnd_ = settings.endFreq;
  linear_ = settings.linear;
  running_ = true;
  segments_ = BandSegments();
  segment_ = 0;
  points_.clear();
  taken_ = 0;
  controller_.Stop();
  controller_.StoreDelay(false);
  controller_.StoreAveraging(true);
  NextSegment();
}

void BandCalibration::Cancel() {
  if (!running_) return;
  cancelling_ = true;
  controller_.AbortSweeps();
  cancelling_ = false;
  // Between segments no request runs to end.
  if (running_) Finish(CalibrationEnd::Cancelled);
}

void BandCalibration::NextSegment() {
  const Segment& segment = segments_[segment_];
  sums_.assign(measure::kSampleCount, 0.0);
  controller_.SetRange(segment.startHz, segment.endHz);
  controller_.TakeSweeps(
      kSweepsPerSegment, [this](const control::Sweep& sweep) { return Take(sweep); },
      [this](control::SweepOutcome outcome, int) {
        // The request ends inside the controller's own calls; the next one
        // begins once they have returned.
        QTimer::singleShot(0, &context_, [this, outcome] { SegmentDone(outcome); });
      });
}

bool BandCalibration::Take(const control::Sweep& sweep) {
  const Segment& segment = segments_[segment_];
  if (sweep.range.StartFreq != segment.startHz || sweep.range.EndFreq != segment.endHz) return false;
  for (std::size_t i = 0; i < sums_.size(); ++i) sums_[i] += sweep.samples[i];
  ++taken_;
  if (progress_) progress_(taken_, kBandSegments * kSweepsPerSegment);
  return true;
}

void BandCalibration::SegmentDone(control::SweepOutcome outcome) {
  if (!running_) return;
  switch (outcome) {
    case control::SweepOutcome::Done:
      break;
    case control::SweepOutcome::Aborted:
      Finish(cancelling_ ? CalibrationEnd::Cancelled : CalibrationEnd::Interrupted);
      return;
    case control::SweepOutcome::NotConnected:
    case control::SweepOutcome::Lost:
      Finish(CalibrationEnd::Lost);
      return;
    case control::SweepOutcome::Refused:
      Finish(CalibrationEnd::Interrupted);
      return;
  }
  const Segment& segment = segments_[segment_];
  const double perPoint = (static_cast<double>(segment.endHz) - segment.startHz) / kSteps;
  for (int i = 0; i <= kSteps; ++i) {
    points_.push_back(
        {segment.startHz + i * perPoint, sums_[static_cast<std::size_t>(i)] / kSweepsPerSegment});
  }
  if (++segment_ < segments_.size()) {
    NextSegment();
    return;
  }
  try {
    Finish(CalibrationEnd::Done,
           FlatnessTable(linear_, QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC),
                         Smoothed(points_, kSmoothingHalfWidth)));
  } catch (const ETableRefused&) {
    // A muted detector reads zero everywhere: no table comes of it.
    Finish(CalibrationEnd::Lost);
  }
}

void BandCalibration::Finish(CalibrationEnd end, std::optional<FlatnessTable> table) {
  if (running_) {
    running_ = false;
    controller_.AbortSweeps();
    controller_.EditRange(control::EntryOf(userStart_), control::EntryOf(userEnd_));
  }
  if (finished_) finished_(end, std::move(table));
}

}  // namespace virn::flatness
