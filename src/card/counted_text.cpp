#include "card/counted_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace virn::card {

namespace {

constexpr char kSubstitute = 0x1A;  // what the encoder puts for a character it cannot encode

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
  QStringDecoder decoder("windows-1251");
  return decoder.decode(bytes);
}

}  // namespace virn::card
