#include "sim/output_response.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace virn::sim {

double OutputGainDb(const OutputResponse& response, double frequencyHz) {
  const double f = std::isfinite(frequencyHz) && frequencyHz > 0 ? frequencyHz : 0.0;
  const double x = std::numbers::pi * f / response.ddsClockHz;
  // Held above zero: at the clock itself the sinc has a null.
  const double sinc = x == 0 ? 1.0 : std::max(std::abs(std::sin(x) / x), 1e-6);
  const double ratio = f / response.lowPassCornerHz;
  const double lowPassDb = -10.0 * std::log10(1.0 + ratio * ratio * ratio * ratio);
  const double rippleDb = response.rippleDb * std::sin(2.0 * std::numbers::pi * f / response.ripplePeriodHz);
  return 20.0 * std::log10(sinc) + lowPassDb + rippleDb;
}

OutputModel InstrumentOutput(const OutputResponse& response) {
  return [response](double frequencyHz) { return OutputGainDb(response, frequencyHz); };
}

OutputModel FlatOutput() {
  return [](double) { return 0.0; };
}

}  // namespace virn::sim
