#include "usb/instrument_bus.h"

#include <string>

#include "sim/sim_factory.h"

namespace virn::usbemu {

InstrumentOnBus PlugInstrumentBehind(EmulatedBus& bus, int otherChips) {
  InstrumentOnBus result;
  // libusb lists devices found later first, and it finds them in the order of
  // their sysfs paths: the other chips take the ports after the instrument's.
  constexpr int kInstrumentPort = 1;
  for (int i = 0; i < otherChips; ++i) {
    auto device = std::make_shared<sim::SilentDevice>(sim::OtherDeviceSerial(i));
    ChipOptions options;
    options.port = kInstrumentPort + otherChips - i;
    result.otherChips.push_back(&bus.Plug(device, options));
    result.others.push_back(std::move(device));
  }
  result.instrument = std::make_shared<sim::SimInstrument>(std::string(sim::kInstrumentSerial));
  ChipOptions options;
  options.port = kInstrumentPort;
  result.instrumentChip = &bus.Plug(result.instrument, options);
  return result;
}

}  // namespace virn::usbemu
