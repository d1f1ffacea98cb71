// Qt's own texts (the standard buttons of message boxes, the folder picker) in Simplified Chinese,
// so that the dialogs speak the language of the window whatever the locale.
#pragma once

class QCoreApplication;

namespace zur {

// Loads Qt's Simplified Chinese translations from Qt's translations folder and installs them in
// the application. False when they are missing (Debian package qt6-translations-l10n); the dialogs
// then keep Qt's English texts.
bool InstallChineseDialogTexts(QCoreApplication& app);

}  // namespace zur
