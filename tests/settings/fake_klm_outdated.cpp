// Stands in for an outdated host library: built as libklmfsys.so and as
// libklmhelpsys.so, it has only the oldest file-system export.
#include <cstring>

#include "hostlib/klm_exports.h"

extern "C" uint16_t fsGetAppDataPath(void* /*appWindow*/, char* out) {
  std::strcpy(out, "/outdated");
  return 1;
}
