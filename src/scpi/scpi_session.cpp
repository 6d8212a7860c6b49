#include "scpi/scpi_session.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>
#include <utility>
#include <variant>

#include "display/marker.h"
#include "display/raster.h"
#include "display/scale.h"
#include "measure/frequency.h"

namespace virn::scpi {

namespace {

using Id = CommandId;

// SCPI's "not a number": a level the calibration cannot give, a band not found.
constexpr std::string_view kNotANumber = "9.91E37";
// Rows this far off the bitmap are all the same to the curve, as in the renderer.
constexpr std::int64_t kRowLimit = 1 << 20;
// The sweep period list's entries in seconds.
constexpr std::array<double, measure::kPeriodCount> kPeriodSeconds{0.4, 0.8, 1.6, 3.2};
constexpr std::string_view kPeriodTexts[measure::kPeriodCount] = {"0.4", "0.8", "1.6", "3.2"};
constexpr std::array<std::string_view, 2> kDetectors{"LOGarithmic", "LINear"};
constexpr double kMaxBandwidthDb = 100;

std::string Fixed(double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  std::string text(buffer.data(), result.ptr);
  // Anything that rounds to zero carries no sign.
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

std::string Shortest(double value) {
  std::array<char, 64> buffer{};
  // Fixed notation: frequencies read as whole hertz, never as "2e+07".
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  return {buffer.data(), result.ptr};
}

std::string OnOff(bool on) {
  return on ? "1" : "0";
}

// A frequency as the fields take it: whole hertz, 0..999 999 999.
std::optional<std::int32_t> FieldHz(double hz) {
  const double rounded = std::nearbyint(hz);
  if (!(rounded >= 0 && rounded <= measure::kTripleMaxHz)) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

display::PlotInputs InputsOf(const Trace& trace) {
  display::PlotInputs in;
  in.Mode = trace.mode;
  in.SweepRunning = true;
  in.StartFreq = trace.range.StartFreq;
  in.EndFreq = trace.range.EndFreq;
  in.SweepStep = trace.range.SweepStep;
  in.Scale = trace.scale;
  in.ZeroDbAnaliser = trace.zeroDbAnaliser;
  in.Samples = trace.samples;
  return in;
}

}  // namespace

std::vector<std::optional<double>> TraceLevelsDb(const Trace& trace) {
  const std::int32_t z = display::ZeroOffset(InputsOf(trace));
  std::vector<std::optional<double>> levels;
  levels.reserve(trace.samples.size());
  for (const std::int32_t sample : trace.samples) {
    const auto row =
        static_cast<std::int32_t>(std::clamp(display::SampleRow(sample, z), -kRowLimit, kRowLimit));
    levels.push_back(display::LevelDb(row, trace.scale));
  }
  return levels;
}

std::optional<Bandwidth> MarkerBandwidth(const Trace& trace, double db) {
  display::PlotInputs in = InputsOf(trace);
  const std::optional<std::int32_t> row = display::RowBelowMaximum(in, db);
  if (!row) return std::nullopt;
  // The curve drawn alone, as the plot draws it: the marker finds it by its colour.
  QImage image(display::kPlotWidth, display::kPlotHeight, QImage::Format_RGB32);
  image.fill(in.BackgroundColor);
  std::array<int, measure::kSampleCount> rows{};
  const std::int32_t z = display::ZeroOffset(in);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = static_cast<int>(std::clamp(display::SampleRow(in.Samples[i], z), -kRowLimit, kRowLimit));
  }
  display::Canvas canvas(image);
  canvas.Polyline(display::kFirstColumn, rows, in.CurveColor);
  in.Visir = true;
  in.VisirValue = *row;
  const display::MarkerReadout readout =
      display::MarkerReadoutFor(in, display::FindCrossings(image, *row, in.CurveColor));
  if (!(readout.L < readout.R)) return std::nullopt;
  Bandwidth band;
  const std::int64_t halfStep = in.SweepStep / 2;
  band.lower = readout.L - halfStep;
  band.upper = readout.R - halfStep;
  band.bandwidth = std::int64_t{readout.R} - readout.L;
  band.centre = readout.R - band.bandwidth / 2;
  band.q = static_cast<double>(band.centre) / static_cast<double>(band.bandwidth);
  return band;
}

Session::Session(control::InstrumentController& controller, const link::D2XXUnit& unit, std::string version)
    : controller_(controller),
      unit_(unit),
      version_(std::move(version)),
      subscription_(controller.Subscribe([this](const control::Event& event) { OnEvent(event); })) {}

void Session::OnEvent(const control::Event& event) {
  if (std::holds_alternative<control::event::Connected>(event)) {
    if (!unit_.SerialNumber.empty()) serial_ = unit_.SerialNumber;
  } else if (std::holds_alternative<control::event::Lost>(event)) {
    // A single sweep in progress reports its own loss when it ends.
    if (Continuous()) status_.Push(error::kHardwareError, "instrument lost");
  } else if (std::holds_alternative<control::event::RangeChanged>(event)) {
    // The sweep in flight when a running sweep is retuned began on the old range.
    staleSweep_ = Continuous();
  } else if (std::holds_alternative<control::event::Started>(event)) {
    staleSweep_ = false;  // Start states its range too, before any sweep
  } else if (const auto* pass = std::get_if<control::event::Pass>(&event)) {
    if (!pass->newSweep || !Continuous()) return;
    if (std::exchange(staleSweep_, false)) return;
    trace_ = CaptureTrace(controller_.Samples(), controller_.RangeInEffect());
  }
}

Trace Session::CaptureTrace(const measure::SampleArray& samples, const control::Range& range) const {
  const measure::Settings& s = controller_.Settings();
  Trace trace;
  trace.samples = samples;
  trace.range = range;
  trace.mode = s.mode;
  trace.scale.Linear = s.linear;
  trace.scale.Calibration = s.calibration;
  trace.zeroDbAnaliser = s.zeroDbAnaliser;
  return trace;
}

void Session::Receive(std::string_view line) {
  inbox_.emplace_back(line);
  Pump();
}

void Session::Pump() {
  if (pumping_) return;
  pumping_ = true;
  while (waiting_ == Wait::None) {
    if (!lineOpen_) {
      if (inbox_.empty()) break;
      std::vector<ParsedCommand> parsed = ParseProgramMessage(inbox_.front());
      inbox_.pop_front();
      current_.assign(std::make_move_iterator(parsed.begin()), std::make_move_iterator(parsed.end()));
      replies_.clear();
      lineOpen_ = true;
    }
    if (!current_.empty()) {
      const ParsedCommand next = std::move(current_.front());
      current_.pop_front();
      if (next.command) {
        Execute(*next.command);
      } else {
        status_.Push(next.error, next.header);
      }
      continue;
    }
    lineOpen_ = false;
    if (replies_.empty()) continue;
    std::string line;
    for (const std::string& reply : replies_) {
      if (!line.empty()) line += ';';
      line += reply;
    }
    replies_.clear();
    line += '\n';
    if (output_) output_(line);
  }
  pumping_ = false;
}

void Session::Fail(int code, const Command& command, std::string_view detail) {
  std::string text = command.header;
  if (!detail.empty()) text += std::string(" ") + std::string(detail);
  status_.Push(code, text);
}

void Session::Execute(const Command& command) {
  try {
    switch (command.id) {
      case Id::Idn:
      case Id::Rst:
      case Id::Cls:
      case Id::Opc:
      case Id::Wai:
      case Id::Esr:
      case Id::Ese:
      case Id::Stb:
      case Id::Sre:
      case Id::SystemError:
      case Id::SystemConnected:
        Common(command);
        break;
      case Id::FrequencyStart:
      case Id::FrequencyStop:
      case Id::FrequencyCenter:
      case Id::FrequencySpan:
        Frequency(command);
        break;
      case Id::SweepPoints:
      case Id::SweepTime:
      case Id::SweepDelay:
      case Id::Detector:
      case Id::Average:
        Sweep(command);
        break;
      case Id::Initiate:
      case Id::InitiateContinuous:
      case Id::Abort:
        Trigger(command);
        break;
      case Id::TraceData:
      case Id::TraceRaw:
      case Id::TraceFrequency:
      case Id::CalculateBandwidth:
        TraceQuery(command);
        break;
      case Id::SourceFrequency:
      case Id::Output:
        Source(command);
        break;
    }
  } catch (const std::exception& problem) {
    Fail(error::kExecution, command, problem.what());
  }
}

void Session::Common(const Command& command) {
  const auto mask = [&](const Command& c) -> std::optional<std::uint8_t> {
    const Parsed<double> value = ParseNumber(c.parameters.front());
    if (!value.value) {
      Fail(value.error, c);
      return std::nullopt;
    }
    const double rounded = std::nearbyint(*value.value);
    if (rounded < 0 || rounded > 255) {
      Fail(error::kDataOutOfRange, c);
      return std::nullopt;
    }
    return static_cast<std::uint8_t>(rounded);
  };
  switch (command.id) {
    case Id::Idn:
      Reply(std::string(kMaker) + "," + std::string(kModel) + "," + serial_ + "," + version_);
      break;
    case Id::Rst:
      Reset();
      break;
    case Id::Cls:
      status_.Clear();
      opcArmed_ = false;
      break;
    case Id::Opc:
      if (command.query) {
        if (OperationPending()) {
          waiting_ = Wait::OpcQuery;
        } else {
          Reply("1");
        }
      } else if (OperationPending()) {
        opcArmed_ = true;
      } else {
        status_.SetEvent(esr::kOperationComplete);
      }
      break;
    case Id::Wai:
      if (OperationPending()) waiting_ = Wait::Wai;
      break;
    case Id::Esr:
      Reply(std::to_string(status_.ReadEvents()));
      break;
    case Id::Ese:
      if (command.query) {
        Reply(std::to_string(status_.EventEnable()));
      } else if (const auto value = mask(command)) {
        status_.SetEventEnable(*value);
      }
      break;
    case Id::Sre:
      if (command.query) {
        Reply(std::to_string(status_.ServiceEnable()));
      } else if (const auto value = mask(command)) {
        status_.SetServiceEnable(*value);
      }
      break;
    case Id::Stb:
      Reply(std::to_string(status_.StatusByte(false)));
      break;
    case Id::SystemError:
      Reply(status_.Pop());
      break;
    case Id::SystemConnected:
      Reply(OnOff(controller_.Connected()));
      break;
    default:
      break;
  }
}

void Session::SetRange(double start, double end, const Command& command) {
  const std::optional<std::int32_t> startHz = FieldHz(start);
  const std::optional<std::int32_t> endHz = FieldHz(end);
  if (!startHz || !endHz) {
    Fail(error::kDataOutOfRange, command, command.parameters.front());
    return;
  }
  controller_.SetRange(*startHz, *endHz);
}

void Session::Frequency(const Command& command) {
  const measure::Settings& s = controller_.Settings();
  const double start = measure::TripleHz(s.startFreq);
  const double end = measure::TripleHz(s.endFreq);
  const double centre = (start + end) / 2;
  const double span = end - start;
  if (command.query) {
    switch (command.id) {
      case Id::FrequencyStart:
        return Reply(Shortest(start));
      case Id::FrequencyStop:
        return Reply(Shortest(end));
      case Id::FrequencyCenter:
        return Reply(Shortest(centre));
      default:
        return Reply(Shortest(span));
    }
  }
  const Parsed<double> value = ParseFrequency(command.parameters.front());
  if (!value.value) return Fail(value.error, command, command.parameters.front());
  const double v = *value.value;
  switch (command.id) {
    case Id::FrequencyStart:
      return SetRange(v, end, command);
    case Id::FrequencyStop:
      return SetRange(start, v, command);
    case Id::FrequencyCenter: {
      const double newStart = std::nearbyint(v - span / 2);
      return SetRange(newStart, newStart + span, command);
    }
    default: {
      const double newStart = std::nearbyint(centre - v / 2);
      return SetRange(newStart, newStart + std::nearbyint(v), command);
    }
  }
}

void Session::Sweep(const Command& command) {
  const measure::Settings& s = controller_.Settings();
  switch (command.id) {
    case Id::SweepPoints:
      return Reply(std::to_string(measure::kSampleCount));
    case Id::SweepTime: {
      if (command.query) return Reply(std::string(kPeriodTexts[s.delayIndex]));
      static constexpr std::array<Suffix, 2> kSeconds{{{"S", 1}, {"MS", 1e-3}}};
      const Parsed<double> seconds = ParseNumber(command.parameters.front(), kSeconds);
      if (!seconds.value) return Fail(seconds.error, command, command.parameters.front());
      for (std::size_t i = 0; i < kPeriodSeconds.size(); ++i) {
        if (std::abs(*seconds.value - kPeriodSeconds[i]) <= kPeriodSeconds[i] * 0.01) {
          return controller_.SetPeriod(static_cast<std::int32_t>(i));
        }
      }
      return Fail(error::kDataOutOfRange, command, command.parameters.front());
    }
    case Id::Detector: {
      if (command.query) return Reply(s.linear ? "LIN" : "LOG");
      const Parsed<std::size_t> choice = ParseChoice(command.parameters.front(), kDetectors);
      if (!choice.value) return Fail(choice.error, command, command.parameters.front());
      return controller_.SetDetector(*choice.value == 1);
    }
    default:
      break;
  }
  const bool delay = command.id == Id::SweepDelay;
  if (command.query) return Reply(OnOff(delay ? s.delay : s.averaging));
  const Parsed<bool> on = ParseBoolean(command.parameters.front());
  if (!on.value) return Fail(on.error, command, command.parameters.front());
  if (delay) {
    controller_.SetDelay(*on.value);
  } else {
    controller_.SetAveraging(*on.value);
  }
}

void Session::Trigger(const Command& command) {
  if (command.id == Id::Abort) {
    if (singlePending_) controller_.AbortSweeps();
    if (controller_.SweepRunning()) controller_.Stop();
    return;
  }
  if (command.id == Id::InitiateContinuous && command.query) return Reply(OnOff(Continuous()));
  bool on = true;
  if (command.id == Id::InitiateContinuous) {
    const Parsed<bool> value = ParseBoolean(command.parameters.front());
    if (!value.value) return Fail(value.error, command, command.parameters.front());
    on = *value.value;
    if (!on) {
      if (Continuous()) controller_.Stop();
      return;
    }
  }
  if (controller_.Mode() == measure::Mode::Generator) {
    return Fail(error::kSettingsConflict, command, "generator mode: OUTPut OFF first");
  }
  if (!controller_.Connected()) return Fail(error::kHardwareMissing, command, "no instrument");
  if (controller_.SweepRunning()) return Fail(error::kInitIgnored, command);
  if (command.id == Id::InitiateContinuous) {
    controller_.Start();
    return;
  }
  singlePending_ = true;
  const std::uint64_t id = ++singleId_;
  // A sweep that cannot begin leaves nothing for *OPC? to wait for.
  try {
    controller_.TakeSweeps(
        1,
        [this](const control::Sweep& sweep) {
          trace_ = CaptureTrace(sweep.samples, sweep.range);
          return true;
        },
        [this, id](control::SweepOutcome outcome, int /*taken*/) {
          if (id != singleId_ || !singlePending_) return;
          singlePending_ = false;
          if (outcome == control::SweepOutcome::Lost) {
            status_.Push(error::kHardwareError, "INIT instrument lost during the sweep");
          } else if (outcome == control::SweepOutcome::NotConnected) {
            status_.Push(error::kHardwareMissing, "INIT no instrument");
          }
          OperationDone();
        });
  } catch (...) {
    singlePending_ = false;
    throw;
  }
}

void Session::OperationDone() {
  if (opcArmed_) status_.SetEvent(esr::kOperationComplete);
  opcArmed_ = false;
  if (waiting_ == Wait::OpcQuery) Reply("1");
  waiting_ = Wait::None;
  Pump();
  if (onReady_) onReady_();
}

void Session::TraceQuery(const Command& command) {
  if (command.id == Id::TraceFrequency) {
    const control::Range range = trace_ ? trace_->range : controller_.RangeInEffect();
    std::string text;
    for (int column = display::kFirstColumn; column <= display::kLastColumn; ++column) {
      if (!text.empty()) text += ',';
      text += std::to_string(display::PixelToFreq(column, range.StartFreq, range.EndFreq));
    }
    return Reply(std::move(text));
  }
  if (!trace_) return Fail(error::kDataStale, command, "no sweep taken yet");
  if (command.id == Id::TraceRaw) {
    // A definite-length block: '#', the count's digits, the count, the bytes.
    std::string block = "#3" + std::to_string(trace_->samples.size());
    for (const std::int32_t sample : trace_->samples) block += static_cast<char>(sample & 0xFF);
    return Reply(std::move(block));
  }
  if (command.id == Id::TraceData) {
    std::string text;
    for (const std::optional<double>& level : TraceLevelsDb(*trace_)) {
      if (!text.empty()) text += ',';
      text += level ? Fixed(*level, 2) : std::string(kNotANumber);
    }
    return Reply(std::move(text));
  }
  static constexpr std::array<Suffix, 1> kDecibels{{{"DB", 1}}};
  const Parsed<double> db = ParseNumber(command.parameters.front(), kDecibels);
  if (!db.value) return Fail(db.error, command, command.parameters.front());
  if (*db.value <= 0 || *db.value > kMaxBandwidthDb) {
    return Fail(error::kDataOutOfRange, command, command.parameters.front());
  }
  if (trace_->mode == measure::Mode::Analyser) {
    return Fail(error::kSettingsConflict, command, "the analyser's sweep has no band");
  }
  const std::optional<Bandwidth> band = MarkerBandwidth(*trace_, *db.value);
  if (!band) {
    std::string none(kNotANumber);
    return Reply(none + "," + none + "," + none + "," + none + "," + none);
  }
  Reply(std::to_string(band->lower) + "," + std::to_string(band->upper) + "," +
        std::to_string(band->bandwidth) + "," + std::to_string(band->centre) + "," + Fixed(band->q, 2));
}

void Session::Source(const Command& command) {
  const measure::Settings& s = controller_.Settings();
  if (command.id == Id::SourceFrequency) {
    if (command.query) return Reply(std::to_string(measure::TripleHz(s.genFreq)));
    const Parsed<double> value = ParseFrequency(command.parameters.front());
    if (!value.value) return Fail(value.error, command, command.parameters.front());
    const std::optional<std::int32_t> hz = FieldHz(*value.value);
    if (!hz) return Fail(error::kDataOutOfRange, command, command.parameters.front());
    return controller_.SetGeneratorFrequency(*hz);
  }
  const bool generator = controller_.Mode() == measure::Mode::Generator;
  if (command.query) return Reply(OnOff(generator));
  const Parsed<bool> on = ParseBoolean(command.parameters.front());
  if (!on.value) return Fail(on.error, command, command.parameters.front());
  if (*on.value && !controller_.Connected()) return Fail(error::kHardwareMissing, command, "no instrument");
  // As the window's mode buttons: generator mode, or back to sweep mode.
  if (*on.value && !generator) controller_.SwitchMode(measure::Mode::Generator);
  if (!*on.value && generator) controller_.SwitchMode(measure::Mode::Sweep);
}

void Session::Reset() {
  if (singlePending_) controller_.AbortSweeps();
  if (controller_.SweepRunning()) controller_.Stop();
  const measure::Settings defaults;
  const measure::Settings& s = controller_.Settings();
  if (s.mode != defaults.mode) controller_.SwitchMode(defaults.mode);
  if (s.startFreq != defaults.startFreq || s.endFreq != defaults.endFreq) {
    controller_.SetRange(measure::TripleHz(defaults.startFreq), measure::TripleHz(defaults.endFreq));
  }
  if (s.genFreq != defaults.genFreq) controller_.SetGeneratorFrequency(measure::TripleHz(defaults.genFreq));
  if (s.linear != defaults.linear) controller_.SetDetector(defaults.linear);
  if (s.delay != defaults.delay) controller_.SetDelay(defaults.delay);
  if (s.delayIndex != defaults.delayIndex) controller_.SetPeriod(defaults.delayIndex);
  if (s.averaging != defaults.averaging) controller_.SetAveraging(defaults.averaging);
}

void Session::Disconnect() {
  inbox_.clear();
  current_.clear();
  replies_.clear();
  lineOpen_ = false;
  waiting_ = Wait::None;
  opcArmed_ = false;
  // Left stopped for the next client, as the window's Stop leaves it.
  if (singlePending_) controller_.AbortSweeps();
  if (controller_.SweepRunning()) controller_.Stop();
  status_ = Status{};
}

}  // namespace virn::scpi
