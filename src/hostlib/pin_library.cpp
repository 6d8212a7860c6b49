#include "hostlib/pin_library.h"

#include <dlfcn.h>

#include <atomic>

namespace virn::hostlib {

namespace {
// One flag per library: every library that compiles this file has its own copy.
std::atomic<bool> pinned{false};
}  // namespace

void PinLibraryContaining(const void* address) {
  if (pinned.load()) return;
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return;
  // NOLOAD finds the copy already mapped; NODELETE keeps it mapped after the
  // caller's dlclose. This handle is never closed on purpose.
  if (dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE) != nullptr) pinned.store(true);
}

}  // namespace virn::hostlib
