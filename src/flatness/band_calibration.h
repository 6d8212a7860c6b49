// Measuring the correction: the instrument's whole band swept through a cable
// in consecutive segments of 421 points, each a few times with averaging on,
// for the detector in use, through the instrument controller. Asynchronous:
// the controller's sweeps arrive through its hand-off while the caller's event
// loop runs, and the caller hears of the progress and of the end.
#pragma once

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

#include "control/instrument_controller.h"
#include "flatness/flatness_table.h"

namespace virn::flatness {

inline constexpr int kBandSegments = 5;
inline constexpr int kSweepsPerSegment = 2;
// The table is smoothed over 15 points (about 0.7 MHz), far finer than
// anything an output's response does.
inline constexpr int kSmoothingHalfWidth = 7;

struct Segment {
  std::int32_t startHz = 0;
  std::int32_t endHz = 0;
  bool operator==(const Segment&) const = default;
};
// The band from kBandStartHz to kBandTopHz as `count` segments whose points
// continue one another at one spacing: the last point of one segment and the
// first of the next are a point apart.
std::vector<Segment> BandSegments(int count = kBandSegments);

enum class CalibrationEnd {
  Done,          // the table is measured
  Cancelled,     // Cancel
  NotConnected,  // no instrument when started
  Lost,          // the instrument went away or a sweep did not come whole
  Interrupted,   // something else changed the range or stopped the sweeps
};

class BandCalibration {
 public:
  using Progress = std::function<void(int sweepsTaken, int sweepsInAll)>;
  // Called once; the table with Done only.
  using Finished = std::function<void(CalibrationEnd, std::optional<FlatnessTable>)>;

  BandCalibration(control::InstrumentController& controller, Progress progress, Finished finished);
  // Cancels a run in progress, without calling Finished.
  ~BandCalibration();
  BandCalibration(const BandCalibration&) = delete;
  BandCalibration& operator=(const BandCalibration&) = delete;

  // Stops a running sweep, switches the delay off and averaging on, and
  // begins with the first segment. The user's range is restored at the end,
  // however the run ends; the sweeps stay stopped.
  void Start();
  void Cancel();
  bool Running() const { return running_; }

 private:
  void NextSegment();
  bool Take(const control::Sweep& sweep);
  void SegmentDone(control::SweepOutcome outcome);
  void Finish(CalibrationEnd end, std::optional<FlatnessTable> table = std::nullopt);

  control::InstrumentController& controller_;
  Progress progress_;
  Finished finished_;
  QObject context_;  // queued steps die with the run
  std::vector<Segment> segments_;
  std::size_t segment_ = 0;
  std::vector<TablePoint> points_;
  std::vector<double> sums_;  // of the current segment, per point
  int taken_ = 0;
  bool linear_ = false;
  bool running_ = false;
  bool cancelling_ = false;
  measure::TriplePlaces userStart_{};
  measure::TriplePlaces userEnd_{};
};

}  // namespace virn::flatness
