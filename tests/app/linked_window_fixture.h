// A main window over a simulated bus with the typical devices plugged in, and
// helpers to read what the instrument received.
#pragma once

#include <memory>
#include <vector>

#include "app/main_form.h"
#include "link/command_frame.h"
#include "link/d2xx_unit.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"
#include "support/poll_until.h"
#include "support/window_fixture.h"

namespace virn::app {

struct LinkedWindowFixture : test::WindowFixture {
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  std::shared_ptr<sim::SimInstrument> instrument;

  void PlugTypical(int others = 0) {
    sim::TypicalBusOptions options;
    options.otherDevices = others;
    instrument = sim::PopulateTypicalBus(bus, options).instrument;
  }
  std::vector<link::Command> Commands() const {
    std::vector<link::Command> commands;
    for (const auto& entry : instrument->WireLog()) commands.push_back(link::DecodeFrame(entry.frame));
    return commands;
  }
  // Commands received since the log was last cleared, without the sweep
  // requests the acquisition thread sends on its own.
  std::vector<link::Command> CommandsBesidesSweeps() const {
    std::vector<link::Command> commands;
    for (const auto& command : Commands()) {
      if (command.opcode != link::opcode::kTakeSweep) commands.push_back(command);
    }
    return commands;
  }
  // A window over the bus, not yet shown.
  std::unique_ptr<TMainForm> Window() { return WindowFixture::Window(unit); }
  // A shown window that has found the instrument; the log starts empty.
  std::unique_ptr<TMainForm> ConnectedWindow() {
    if (!instrument) PlugTypical();
    auto form = WindowFixture::ConnectedWindow(unit);
    instrument->ClearWireLog();
    return form;
  }
};

}  // namespace virn::app
