// Keeps a host library mapped after its caller unloads it again.
#pragma once

namespace virn::hostlib {

// Pins the library that holds `address` (any of its functions) in memory for
// the rest of the process. For libraries whose Qt objects outlive the call:
// a window left open, or Qt's print support with its plugin and global state,
// which must not be unmapped under them. Safe to call again; failures leave
// the library as it is.
void PinLibraryContaining(const void* address);

}  // namespace virn::hostlib
