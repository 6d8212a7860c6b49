// Fuzzes the reader of the flatness correction's file: any content must either
// read or fail with the reader's own error, never crash or hang; a table it
// read, written back, reads again with the same points (levels to the
// thousandth), and corrects a sweep anywhere without trouble.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "flatness/flatness_file.h"

namespace {

using virn::flatness::FlatnessTable;

bool SameTable(const FlatnessTable& a, const FlatnessTable& b) {
  if (a.Linear() != b.Linear() || a.Taken() != b.Taken() || a.Points().size() != b.Points().size())
    return false;
  for (std::size_t i = 0; i < a.Points().size(); ++i) {
    const auto& p = a.Points()[i];
    const auto& q = b.Points()[i];
    if (p.frequencyHz != q.frequencyHz ||
        !(std::abs(p.level - q.level) <= 0.0005 * (1 + std::abs(p.level)))) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::optional<FlatnessTable> table;
  try {
    table.emplace(virn::flatness::ParseFlatness(text));
  } catch (const virn::flatness::EFlatnessFile&) {
    return 0;
  }
  // An error here escapes and is reported as a crash.
  if (!SameTable(*table, virn::flatness::ParseFlatness(virn::flatness::FormatFlatness(*table))))
    __builtin_trap();
  virn::measure::SampleArray samples{};
  samples.fill(200);
  const double first = table->Points().front().frequencyHz;
  const double last = table->Points().back().frequencyHz;
  const auto clamp = [](double f) { return static_cast<std::int32_t>(std::fmax(-2e9, std::fmin(2e9, f))); };
  virn::flatness::Correct(*table, samples, clamp(first), clamp(last));
  virn::flatness::Correct(*table, samples, clamp(last + 1000), clamp(first - 1000));
  return 0;
}
