// The correction kept across runs: one plain text file per detector beside the
// window's settings file, which a person can read and a plotting tool can draw:
//
//   # ВИРН: коррекция АЧХ, измерена через кабель
//   # detector: log
//   # date: 2026-12-09T23:40:12Z
//   # frequency_hz level
//   10000 236.000
//   ...
//
// Lines starting with '#' are comments; the header lines "detector:" (log or
// lin) and "date:" (ISO 8601, UTC) are required. Each other line is a
// frequency in hertz and the mean sample measured there, separated by spaces
// or tabs.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <stdexcept>

#include "flatness/flatness_table.h"

namespace virn::flatness {

// A file that is not a correction table; what() says why, in English, for the log.
class EFlatnessFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text of a table; ParseFlatness reads the same table back, levels to the
// thousandth of a sample (frequencies in whole hertz, or in full when finer).
QByteArray FormatFlatness(const FlatnessTable& table);
// Throws EFlatnessFile when the text is not a table (no header, a line that is
// not two numbers, a table the rules of FlatnessTable refuse, over 1 MB).
FlatnessTable ParseFlatness(const QByteArray& text);

// "<configDir>/<executable, lower case>.flatness-log.txt" or "…-lin.txt".
QString FlatnessFile(const QString& configDir, const QString& executableFileName, bool linear);

struct LoadedTable {
  std::optional<FlatnessTable> table;
  // Set when a file was there but damaged, or of the other detector: it has
  // been set aside as "<file>.bad".
  bool setAside = false;
};
// Reads the table of the detector the file is named for. Never throws.
LoadedTable LoadFlatness(const QString& fileName, bool linear);
// Writes the whole file through a temporary one that replaces the old file
// only when complete. False, leaving the old file, on any failure.
bool StoreFlatness(const QString& fileName, const FlatnessTable& table);

}  // namespace virn::flatness
