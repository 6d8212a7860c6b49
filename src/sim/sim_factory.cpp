#include "sim/sim_factory.h"

#include <utility>

namespace virn::sim {

std::string OtherDeviceSerial(int index) {
  const std::string number = std::to_string(index + 1);
  return "USBDEV" + std::string(number.size() < 2 ? 2 - number.size() : 0, '0') + number;
}

TypicalBus PopulateTypicalBus(SimBus& bus, const TypicalBusOptions& options) {
  TypicalBus result;
  for (int i = 0; i < options.otherDevices; ++i) {
    auto device = std::make_shared<SilentDevice>(OtherDeviceSerial(i));
    bus.Plug(device);
    result.others.push_back(std::move(device));
  }
  result.instrument = std::make_shared<SimInstrument>(std::string(kInstrumentSerial));
  if (options.sink) result.instrument->SetFrameSink(options.sink);
  if (options.network) result.instrument->SetNetwork(options.network);
  if (options.plugInstrument) bus.Plug(result.instrument);
  return result;
}

}  // namespace virn::sim
