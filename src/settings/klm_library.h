// One load of a host support library: opened by file name from the library
// folder, exports resolved by name, closed again when the object goes.
#pragma once

#include <string>

namespace virn::settings {

inline constexpr const char* kKlmFsLibrary = "libklmfsys.so";
inline constexpr const char* kKlmHelpLibrary = "libklmhelpsys.so";

class KlmLibrary {
 public:
  // Raises EklmAPI when the library cannot be loaded. Messages name the
  // library by `displayName`, by its file name when that is null.
  explicit KlmLibrary(const char* fileName, const char* displayName = nullptr);
  ~KlmLibrary();
  KlmLibrary(const KlmLibrary&) = delete;
  KlmLibrary& operator=(const KlmLibrary&) = delete;

  // The export `name` as a function of type Fn; raises EklmAPI when the
  // library does not have it (an outdated library).
  template <typename Fn>
  Fn Require(const char* name) const {
    return reinterpret_cast<Fn>(RequireSymbol(name));
  }

  // The optional export `name`, or null.
  template <typename Fn>
  Fn Find(const char* name) const {
    return reinterpret_cast<Fn>(FindSymbol(name));
  }

 private:
  void* RequireSymbol(const char* name) const;
  void* FindSymbol(const char* name) const;

  std::string fileName_;
  std::string displayName_;
  void* handle_ = nullptr;
};

}  // namespace virn::settings
