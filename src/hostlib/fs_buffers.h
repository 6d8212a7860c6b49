// Helpers shared by the file-system exports: filling the caller's fixed-size
// C buffers and fetching the system's text for an error number.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace virn::hostlib {

// Copies `text` and a NUL into `out` (`size` bytes). Fails, leaving an empty
// string, when it does not fit: a cut path would name another file.
bool CopyWhole(std::string_view text, char* out, std::size_t size);

// Copies as much of `text` as fits with its NUL into `out`, never cutting a
// UTF-8 sequence in half (the message may be localised).
void CopyTruncated(std::string_view text, char* out, std::size_t size);

// The system's description of `errnum`, as strerror gives it.
std::string SystemReason(int errnum);

// The per-user configuration directory, without a trailing "/"; empty when
// neither the environment nor the password database names a home directory.
std::string ConfigHome();

}  // namespace virn::hostlib
