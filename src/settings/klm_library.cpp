#include "settings/klm_library.h"

#include <dlfcn.h>

#include <mutex>

#include "hostlib/klm_exports.h"
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

// The folder of the linked key-filter library: the loader found it through the
// executable's search path, so the libraries loaded by name sit beside it in
// every layout (the build tree, an installation, the package).
std::string DefaultLibraryDir() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&lbReplaceIntegerChar), &info) == 0 || info.dli_fname == nullptr) {
    return ".";
  }
  const std::string library = info.dli_fname;
  const auto slash = library.rfind('/');
  return slash == std::string::npos ? std::string(".") : library.substr(0, slash);
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
