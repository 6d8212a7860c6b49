// Fuzzes the remote-control dialect's parser: any bytes must parse into
// commands or standard error numbers, never crash or hang, and every command
// must carry the parameter count its table entry asks for.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scpi/scpi_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  for (const virn::scpi::ParsedCommand& parsed : virn::scpi::ParseProgramMessage(line)) {
    if (!parsed.command) {
      if (parsed.error >= 0) __builtin_trap();
      continue;
    }
    for (const virn::scpi::CommandSpec& spec : virn::scpi::CommandTable()) {
      if (spec.id != parsed.command->id) continue;
      const int wanted = parsed.command->query ? spec.queryParameters : spec.setParameters;
      if (static_cast<int>(parsed.command->parameters.size()) != wanted) __builtin_trap();
    }
    for (const std::string& parameter : parsed.command->parameters) {
      (void)virn::scpi::ParseFrequency(parameter);
      (void)virn::scpi::ParseBoolean(parameter);
    }
  }
  return 0;
}
