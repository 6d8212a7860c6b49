// Little-endian integers at byte offsets, without alignment.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

namespace virn::card {

inline void PutU32(QByteArray& bytes, qsizetype offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}
inline void PutI32(QByteArray& bytes, qsizetype offset, std::int32_t value) {
  PutU32(bytes, offset, static_cast<std::uint32_t>(value));
}
inline void PutU16(QByteArray& bytes, qsizetype offset, std::uint16_t value) {
  bytes[offset] = static_cast<char>(value);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

// The caller has checked that the bytes are there.
inline std::uint8_t GetU8(QByteArrayView bytes, qsizetype offset) {
  return static_cast<std::uint8_t>(bytes[offset]);
}
inline std::uint16_t GetU16(QByteArrayView bytes, qsizetype offset) {
  return static_cast<std::uint16_t>(GetU8(bytes, offset) | GetU8(bytes, offset + 1) << 8);
}
inline std::uint32_t GetU32(QByteArrayView bytes, qsizetype offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | GetU8(bytes, offset + i);
  return value;
}
inline std::int32_t GetI32(QByteArrayView bytes, qsizetype offset) {
  return static_cast<std::int32_t>(GetU32(bytes, offset));
}

}  // namespace virn::card
