// The C interface of the three host support libraries: libklmfsys.so (file
// system services), libklmhelpsys.so (help viewer) and libklmlibb.so (key
// filter). The program loads the first two by file name for each call and
// resolves the exports by these names, so the names and signatures are a
// binary contract: change them only together with every caller.
//
// Strings are NUL-terminated UTF-8. Results are 16-bit, nonzero for success.
// "Window handle" arguments are kept for the interface's shape and may be null.
#pragma once

#include <stdint.h>

#if defined(KLM_BUILDING_LIBRARY)
#define KLM_EXPORT __attribute__((visibility("default")))
#else
#define KLM_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Size of the path buffers of fsGetAppDataPath and fsCreateTempDir, NUL included.
#define KLM_PATH_BUFFER_SIZE 261
// Size of the error-text buffer of fsMoveFrom, NUL included.
#define KLM_ERROR_BUFFER_SIZE 256

// libklmfsys.so

// Writes the per-user configuration directory without a trailing "/" into
// `out` (KLM_PATH_BUFFER_SIZE bytes). Zero and an empty string on failure.
KLM_EXPORT uint16_t fsGetAppDataPath(void* appWindow, char* out);

// Creates <fsGetAppDataPath>/Kelmar/<programName> with its parents. An empty
// name means the Kelmar folder itself. Nonzero iff the directory exists afterwards.
KLM_EXPORT uint16_t fsCreateConfigDir(void* appWindow, const char* programName);

// Creates a new private temporary directory and writes its path, ending in "/",
// into `inout` (KLM_PATH_BUFFER_SIZE bytes). Zero and an empty buffer on failure.
KLM_EXPORT uint16_t fsCreateTempDir(void* (*getAppWindow)(void), char* inout);

// Moves the file `src` to `dst`, replacing `dst`, across file systems too.
// On failure returns zero and writes the reason into `error`
// (KLM_ERROR_BUFFER_SIZE bytes); on success `error` is an empty string.
KLM_EXPORT uint16_t fsMoveFrom(const char* src, const char* dst, char* error);

// Removes `dir` with everything in it; symbolic links inside are removed, never
// followed. A zero `flag` empties the directory but keeps it.
KLM_EXPORT uint16_t fsClearDir(const char* dir, int32_t flag);

// libklmhelpsys.so

// Shows the help found in `helpDir` in a help window, one window per `helpId`,
// at the page "<topic>.html" or, if there is none, "index.html".
KLM_EXPORT void hsShowHelp(const char* helpId, const char* helpDir, const char* topic);

// Names the application in the caption of the help window shown last.
KLM_EXPORT void hsSetTitle(const char* title);

// libklmlibb.so

// Writes into the low byte of *slot the character to use instead of the low
// byte of `typedChar`: digits and Backspace themselves, NUL (drop the
// keystroke) for anything else. The slot's other bits are left alone.
KLM_EXPORT void lbReplaceIntegerChar(uint32_t typedChar, uint32_t* slot);

#ifdef __cplusplus
}
#endif
