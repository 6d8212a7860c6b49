// A main window over a simulated bus with the typical devices plugged in, and
// helpers to read what the instrument received.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_form.h"
#include "app/program_name.h"
#include "link/command_frame.h"
#include "settings/klm_api.h"
#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "sim/sim_instrument.h"

namespace virn::app {

struct LinkedWindowFixture : ::testing::Test {
  QTemporaryDir config;
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  std::shared_ptr<sim::SimInstrument> instrument;

  LinkedWindowFixture() {
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    settings::SetKlmLibraryDir(VIRN_TEST_BUILD_LIBDIR);
    SetProgramName(QStringLiteral("virn-"));
  }
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
  // A shown window that has found the instrument; the log starts empty.
  std::unique_ptr<TMainForm> ConnectedWindow() {
    if (!instrument) PlugTypical();
    auto form = std::make_unique<TMainForm>(unit);
    form->show();
    form->Timer2Timer();
    EXPECT_TRUE(form->Connected());
    instrument->ClearWireLog();
    return form;
  }
  static void ProcessUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_TRUE(done());
  }
};

}  // namespace virn::app
