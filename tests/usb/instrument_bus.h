// The bus as the program meets it on a bench: chips whose devices ignore what
// they are sent, plugged in first (lower device numbers, listed first), then
// the chip with the simulated instrument behind it.
#pragma once

#include <memory>
#include <vector>

#include "sim/other_devices.h"
#include "sim/sim_instrument.h"
#include "usb/emulated_bus.h"

namespace virn::usbemu {

struct InstrumentOnBus {
  std::shared_ptr<sim::SimInstrument>
      instrument;  // serial sim::kInstrumentSerial; its WireLog() shows every frame
  EmulatedChip* instrumentChip = nullptr;
  std::vector<std::shared_ptr<sim::SilentDevice>> others;  // serials sim::OtherDeviceSerial(0), (1), ...
  std::vector<EmulatedChip*> otherChips;
};

InstrumentOnBus PlugInstrumentBehind(EmulatedBus& bus, int otherChips = 1);

}  // namespace virn::usbemu
