// Wrappers of the host support libraries (lib/virn/libklm*.so). Each file
// system and help call loads its library by file name, calls one export and
// unloads the library again, so a missing or outdated library shows up as an
// EklmAPI error at the call that needs it rather than at program start. The
// key filter library is linked normally.
#pragma once

#include <stdexcept>
#include <string>

namespace virn::settings {

// Raised by the wrappers when a library cannot be used; the message is UTF-8
// text for the user.
class EklmAPI : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folder the libraries are loaded from. Until set (or after it is set to
// ""), the folder of the linked libklmlibb.so, where the build, an
// installation and the package all put them.
void SetKlmLibraryDir(std::string dir);
std::string KlmLibraryDir();

// The per-user application-data (configuration) directory, no trailing "/";
// empty when the library cannot tell.
std::string fsGetAppDataPath();

// Makes sure <fsGetAppDataPath>/Kelmar/<programName> exists (the Kelmar folder
// itself for an empty name). Raises EklmAPI("Ошибка конфигурации.") if not.
void fsCreateConfigDir(const std::string& programName);

// A new, empty, private temporary directory; the path ends in "/". Empty when
// none could be made.
std::string fsCreateTempDir();

// Moves a file, replacing `dst`. On failure returns false and, when `error` is
// given, stores the system's reason there; on success clears it.
bool fsMoveFrom(const std::string& src, const std::string& dst, std::string* error = nullptr);

// Removes a directory with all its contents; failures are not reported.
void fsClearDir(const std::string& dir);

// Opens the help in "<executableDir>/Help" at `topic` (a window's component
// name such as "MainForm"), with `appTitle` in the help window's caption.
// Raises EklmAPI when the help folder is missing, with the standard
// file-open error when its "Id.dat" cannot be read, and when the help library
// cannot be used.
void ShowHelp(const std::string& executableDir, const std::string& topic, const std::string& appTitle);

// The key filter of the digit-only fields: the character to insert for a typed
// one, or 0 to drop the keystroke. Digits and Backspace pass. Characters beyond
// one byte never pass (the filter looks at single bytes only).
char32_t ReplaceIntegerChar(char32_t typed);

}  // namespace virn::settings
