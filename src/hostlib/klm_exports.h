// The C interface of the host support libraries: libklmfsys.so (file system
// services), libklmhelpsys.so (help viewer), libklmlibb.so (key filter) and
// libklmpm3.so (print manager). The program links the key filter and loads
// the others by file name for each call, resolving the exports by these
// names, so the names and signatures are a binary contract: change them only
// together with every caller.
//
// Strings are NUL-terminated UTF-8. Results are 16-bit, nonzero for success;
// truth values in 32 bits are 0 for false and anything else (the program
// passes all bits set) for true. "Window handle" arguments are kept for the
// interface's shape and may be null.
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

// libklmpm3.so (the print manager)

// The number of text slots of a TQSLDataPrint.
#define KLM_QSL_DATA_SLOTS 51

// The data of one card to print: texts for the card's data fields, slot i for
// the i-th data field name, a null slot for an empty text. The slots are
// pointers, so the record's size is that of 51 pointers on the platform.
typedef struct TQSLDataPrint {
  const char* Slots[KLM_QSL_DATA_SLOTS];
} TQSLDataPrint;

// Starts a new print: forgets the cards added so far and the settings below.
KLM_EXPORT void pmClearQSL(void);

// Adds a card to print, with the texts of `data` (copied; the record may be
// freed straight after). `reserved` must be 0.
KLM_EXPORT void pmAddQSL(const TQSLDataPrint* data, int32_t reserved);

// Whether the print preview offers its help; shown unless told otherwise.
KLM_EXPORT void pmHelpVisibility(int32_t visible);

// Whether the cards of a print of more than one are printed with their number
// ("Карточка 1 из 3"); on unless told otherwise.
KLM_EXPORT void pmQSOCountVisibility(int32_t visible);

// How many of a record's slots fill data fields; 0 (the default) means all.
KLM_EXPORT void pmSetQSLFields(int32_t count);

// Leaves out the line naming the printing program at the foot of each page.
KLM_EXPORT void pmPublisherHide(void);

// Prints the card layout file `cardFile` once for each card added (once when
// none was), each centred on its own page at the card's real size: a print
// preview over `appWindow` (a QWidget*, may be null) with the system's print
// dialog behind its print button. `note`, when not empty, is printed under the
// card; `title` names the program. `reserved` and `r1` to `r4` must be 0. The
// file and the records are done with when it returns. Nonzero when printed.
//
// With the environment variable KLM_PRINT_PDF set to a file path, prints into
// that PDF file without any dialog instead (for tests and scripts).
KLM_EXPORT uint16_t pmPrint(void* appWindow, const char* note, const char* cardFile, const char* title,
                            int32_t reserved, int32_t r1, int32_t r2, int32_t r3, int32_t r4);

// Prints `cardFile` as pmPrint does, into the PDF file `pdfFile`, without any
// dialog. On failure returns zero and writes the reason into `error`
// (KLM_ERROR_BUFFER_SIZE bytes); on success `error` is an empty string.
KLM_EXPORT uint16_t pmPrintToPdf(const char* cardFile, const char* pdfFile, const char* title, char* error);

#ifdef __cplusplus
}
#endif
