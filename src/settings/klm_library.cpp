#include "settings/klm_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <mutex>

#include "settings/klm_api.h"

namespace virn::settings {

namespace {

std::mutex& DirMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& StoredDir() {
  static std::string dir;
  return dir;
}

// "<executable's directory>/../lib/virn": the layout of both the build tree and
// the installation.
std::string DefaultLibraryDir() {
  std::array<char, 4096> path{};
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  std::string exe = length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : std::string();
  const auto slash = exe.rfind('/');
  const std::string exeDir = slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
  return exeDir + "/" VIRN_KLM_LIBDIR_REL;
}

std::string Replace(std::string text, const std::string& placeholder, const std::string& value) {
  if (const auto at = text.find(placeholder); at != std::string::npos)
    text.replace(at, placeholder.size(), value);
  return text;
}

}  // namespace

void SetKlmLibraryDir(std::string dir) {
  const std::lock_guard lock(DirMutex());
  StoredDir() = std::move(dir);
}

std::string KlmLibraryDir() {
  const std::lock_guard lock(DirMutex());
  if (StoredDir().empty()) StoredDir() = DefaultLibraryDir();
  return StoredDir();
}

KlmLibrary::KlmLibrary(const char* fileName, const char* displayName)
    : fileName_(fileName), displayName_(displayName != nullptr ? displayName : fileName) {
  const std::string path = KlmLibraryDir() + "/" + fileName_;
  // RTLD_LOCAL: two libraries must never satisfy each other's symbols.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) throw EklmAPI(Replace("Не удалось загрузить библиотеку %s", "%s", displayName_));
}

KlmLibrary::~KlmLibrary() {
  dlclose(handle_);
}

void* KlmLibrary::FindSymbol(const char* name) const {
  return dlsym(handle_, name);
}

void* KlmLibrary::RequireSymbol(const char* name) const {
  void* symbol = FindSymbol(name);
  if (symbol == nullptr) {
    throw EklmAPI(
        Replace("Неверная версия библиотеки \"Kelmar API\" (DLL: %s)\r\n"
                "Возможно на вашем компьютере установлена старая версия\r\n"
                "библиотеки \"Kelmar API\". Обновите её.",
                "%s", displayName_));
  }
  return symbol;
}

}  // namespace virn::settings
