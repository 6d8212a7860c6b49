// Qt's own texts (the file, print and preview dialogs, standard buttons, an
// entry field's context menu) in the user's language, beside the program's
// own Russian ones, from Qt's translations (Debian's qt6-translations-l10n).
#pragma once

class QLocale;
class QTranslator;

namespace virn::app {

// Installs Qt's translation for the locale's languages; the translator belongs
// to the application. Null when Qt has none for them (the C locale, English,
// or the translations not installed): Qt then speaks English.
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace virn::app
