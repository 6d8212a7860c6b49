// The band measured through the controller over the simulated instrument,
// whose output rolls off, and what a cable, an attenuator and the band-pass
// filter then read with both calibrations done, in either order. Levels are
// read as the plot reads them: the corrected sample's row through the level
// calibration.
#include "flatness/band_calibration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "app/calibration_hosts.h"
#include "calibration/level_measurement.h"
#include "display/scale.h"
#include "flatness/flatness_correction.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"
#include "support/poll_until.h"

namespace virn::flatness {
namespace {

struct BandFixture : ::testing::Test {
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  std::shared_ptr<sim::SimInstrument> instrument = sim::PopulateTypicalBus(bus, {}).instrument;
  control::InstrumentController controller{unit};
  FlatnessCorrection correction;  // no files: kept in memory
  app::CalibrationHosts hosts{controller, [] {}, correction};

  BandFixture() {
    controller.Begin();
    controller.DiscoveryTick();
    instrument->SetNetwork(sim::ThroughLine());
  }
  ~BandFixture() override { controller.Shutdown(); }

  CalibrationEnd Calibrate(const std::function<void(BandCalibration&, int taken)>& meanwhile = {}) {
    std::optional<CalibrationEnd> end;
    BandCalibration* self = nullptr;
    BandCalibration run(
        controller,
        [&](int taken, int) {
          if (meanwhile) meanwhile(*self, taken);
        },
        [&](CalibrationEnd e, std::optional<FlatnessTable> table) {
          end = e;
          if (table) correction.Store(std::move(*table));
        });
    self = &run;
    run.Start();
    EXPECT_TRUE(test::PollUntil([&] { return end.has_value(); }));
    return end.value_or(CalibrationEnd::Interrupted);
  }
  // The next whole sweep over the range.
  measure::SampleArray Sweep(std::int32_t startHz, std::int32_t endHz) {
    controller.SetRange(startHz, endHz);
    std::optional<measure::SampleArray> taken;
    controller.TakeSweeps(1, [&](const control::Sweep& s) { return taken = s.samples, true; }, {});
    EXPECT_TRUE(test::PollUntil([&] { return taken.has_value(); }));
    return taken.value_or(measure::SampleArray{});
  }
  // Cable, then the attenuator, as the level calibration's wizard takes them,
  // from sweeps taken with averaging on, as it reads them.
  void CalibrateLevel() {
    const bool linear = controller.Settings().linear;
    instrument->SetNetwork(sim::ThroughLine());
    controller.SetRange(100000, 50000000);
    controller.SetAveraging(true);
    controller.Start();
    Sweep(100000, 50000000);
    calibration::MeasureLevel(hosts, calibration::LevelMeasurement::ZeroLevel);
    instrument->SetNetwork(sim::Attenuator(linear ? -12 : -40));
    Sweep(100000, 50000000);
    calibration::MeasureLevel(hosts, calibration::LevelMeasurement::AttenuatedLevel);
    controller.Stop();
  }
  // The level in dB each point reads, as the data file writes it, over
  // `sweeps` sweeps: their mean.
  std::vector<double> Levels(std::int32_t startHz, std::int32_t endHz, int sweeps = 1) {
    const measure::Settings& s = controller.Settings();
    const display::LevelScale scale{s.linear, s.calibration, QStringLiteral(".")};
    const std::int32_t zero = s.linear ? s.calibration.CorrLin_0Db : s.calibration.CorrLog_0Db;
    std::vector<double> levels(measure::kSampleCount, 0.0);
    for (int k = 0; k < sweeps; ++k) {
      const CorrectionResult shown =
          correction.Apply(s.mode, s.linear, Sweep(startHz, endHz), startHz, endHz);
      for (std::size_t i = 0; i < levels.size(); ++i) {
        levels[i] +=
            display::LevelDbAt(display::kSampleBaseRow - (shown.levels[i] + zero), scale).value() / sweeps;
      }
    }
    return levels;
  }
  static double Frequency(std::int32_t startHz, std::int32_t endHz, std::size_t point) {
    return startHz + static_cast<double>(point) * (endHz - startHz) / 420.0;
  }
};

struct Order {
  bool linear;
  bool levelFirst;
};
class BothCalibrations : public BandFixture, public ::testing::WithParamInterface<Order> {};

TEST_P(BothCalibrations, ACableReadsZeroAndTheAttenuatorAndFilterTheirLossEverywhereInTheBand) {
  const Order order = GetParam();
  controller.SetDetector(order.linear);
  if (order.levelFirst) {
    CalibrateLevel();
    correction.SetOn(true);  // no table yet: nothing to correct
    const std::vector<double> before = Levels(50000000, kBandTopHz);
    EXPECT_LE(before.back(), -2.0);
  }
  instrument->SetNetwork(sim::ThroughLine());
  ASSERT_EQ(Calibrate(), CalibrationEnd::Done);
  ASSERT_TRUE(correction.On());
  if (!order.levelFirst) CalibrateLevel();

  const struct {
    std::int32_t start, end;
  } ranges[] = {{kBandStartHz, kBandTopHz}, {60000000, kBandTopHz}, {1000000, 1500000}};
  instrument->SetNetwork(sim::ThroughLine());
  // Three sweeps: one point of one sweep is a whole detector byte (0.36 dB
  // here) off where the true level lies between two bytes.
  for (const auto& r : ranges) {
    const std::vector<double> cable = Levels(r.start, r.end, 3);
    double worst = 0;
    for (std::size_t i = 0; i < cable.size(); ++i) {
      ASSERT_NEAR(cable[i], 0.0, 0.3) << Frequency(r.start, r.end, i) << " Hz";
      worst = std::max(worst, std::abs(cable[i]));
    }
    std::printf("cable %d..%d Hz: at most %.3f dB off\n", r.start, r.end, worst);
  }
  const double attenuation = order.linear ? -12 : -40;
  instrument->SetNetwork(sim::Attenuator(attenuation));
  for (const double level : Levels(kBandStartHz, kBandTopHz)) ASSERT_NEAR(level, attenuation, 0.5);
  if (order.linear) return;  // the filter's skirts are below the linear detector's scale
  instrument->SetNetwork({});
  const sim::BandPassDesign filter;
  const std::vector<double> passband = Levels(18000000, 22000000);
  for (std::size_t i = 0; i < passband.size(); ++i) {
    const double f = Frequency(18000000, 22000000, i) * sim::kDefaultClockFactor;
    ASSERT_NEAR(passband[i], sim::BandPassGainDb(filter, f), 0.5) << f << " Hz";
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, BothCalibrations,
                         ::testing::Values(Order{false, true}, Order{false, false}, Order{true, false}));

TEST_F(BandFixture, CancelAndUnplugEndTheRunWithTheUsersRangeBackAndTheSweepsStopped) {
  controller.SetRange(2000000, 3000000);
  EXPECT_EQ(Calibrate([](BandCalibration& run, int taken) {
              if (taken == 3) run.Cancel();
            }),
            CalibrationEnd::Cancelled);
  EXPECT_EQ(controller.RangeInEffect().StartFreq, 2000000);
  EXPECT_EQ(controller.RangeInEffect().EndFreq, 3000000);
  EXPECT_FALSE(controller.SweepRunning());
  EXPECT_FALSE(correction.Available(false));

  EXPECT_EQ(Calibrate([&](BandCalibration&, int taken) {
              if (taken == 2) bus.Unplug(sim::kInstrumentSerial);
            }),
            CalibrationEnd::Lost);
  EXPECT_EQ(controller.RangeInEffect().StartFreq, 2000000);
  EXPECT_FALSE(correction.Available(false));
  EXPECT_FALSE(controller.SweepRunning());
}

}  // namespace
}  // namespace virn::flatness
