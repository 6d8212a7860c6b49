#include "card/counted_text.h"

#include <QStringEncoder>
#include <array>
#include <cstdint>

namespace virn::card {

namespace {

constexpr char kSubstitute = 0x1A;  // what the encoder puts for a character it cannot encode

// Bytes 0x80 to 0xBF; from 0xC0 on come А to я in order. 0x98, which the code
// page leaves out, stands for U+0098 as in the converter's table.
constexpr std::uint8_t kFirstLetter = 0xC0;
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

}  // namespace

QByteArray ToWindows1251(const QString& text, qsizetype maxBytes) {
  QStringEncoder encoder("windows-1251");
  QByteArray bytes = encoder.encode(text);
  if (encoder.hasError()) {
    // The code page has one byte for each character, a surrogate pair
    // included, so the substitutes are found by walking both together.
    qsizetype at = 0;
    for (qsizetype i = 0; i < text.size() && at < bytes.size(); ++i, ++at) {
      if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
      if (bytes.at(at) == kSubstitute && text.at(i) != QChar(kSubstitute)) bytes[at] = '?';
    }
  }
  bytes.truncate(maxBytes);
  return bytes;
}

QString FromWindows1251(QByteArrayView bytes) {
  // Decoded here rather than by the character set library, whose converter
  // costs the start-up of a program that reads one version text a good part
  // of a megabyte.
  QString text(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    char16_t unit = byte;
    if (byte >= kFirstLetter) {
      unit = static_cast<char16_t>(u'\u0410' + (byte - kFirstLetter));
    } else if (byte >= 0x80) {
      unit = kUpperHalf[byte - 0x80];
    }
    text[i] = QChar(unit);
  }
  return text;
}

}  // namespace virn::card
