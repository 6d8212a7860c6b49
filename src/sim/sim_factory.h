// Populates a bus the way the demo program and the end-to-end tests use it:
// some FTDI devices that are not the instrument, then the instrument.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/network_model.h"
#include "sim/other_devices.h"
#include "sim/sim_bus.h"
#include "sim/sim_instrument.h"
#include "sim/wire_log.h"

namespace virn::sim {

inline constexpr std::string_view kInstrumentSerial = "VIRN0001";

struct TypicalBusOptions {
  bool plugInstrument = true;  // false: the instrument exists but starts unplugged
  int otherDevices = 0;        // silent devices listed ahead of the instrument
  FrameSink sink;              // receives every frame the instrument gets; may be empty
  NetworkModel network;        // the network under test; empty: the default band-pass
};

struct TypicalBus {
  std::shared_ptr<SimInstrument> instrument;  // always created, plugged or not
  std::vector<std::shared_ptr<SilentDevice>> others;
};

// "USBDEV01", "USBDEV02", ... for index 0, 1, ...
std::string OtherDeviceSerial(int index);

// Plugs the silent devices first, then (if asked) the instrument.
TypicalBus PopulateTypicalBus(SimBus& bus, const TypicalBusOptions& options);

}  // namespace virn::sim
