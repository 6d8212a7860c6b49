// Fuzzes the reader of our own settings file: any file content must either
// read or fail with the reader's own error, never crash or hang; and whatever
// it read, written back, must read again to the same keys and values.
#include <cstddef>
#include <cstdint>

#include "settings/extra_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  virn::settings::KeyValues values;
  try {
    values = virn::settings::ParseKeyValues(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  } catch (const virn::settings::EConfigError&) {
    return 0;
  }
  // An error here escapes and is reported as a crash.
  if (virn::settings::ParseKeyValues(virn::settings::FormatKeyValues(values)) != values) __builtin_trap();
  return 0;
}
