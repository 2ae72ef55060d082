#pragma once

#include <QString>

// Qt's own Brazilian Portuguese translations, so that the standard dialogs (message
// box buttons, file, print and printer-setup dialogs) speak the program's language.
// The program's own texts are written in place and never go through a translator,
// so the report preview keeps its English captions.

// The folder Qt's translation files are installed in.
QString QtTranslationsFolder();

// Installs Qt's pt_BR translation from `folder` into the running application.
// Returns false, and changes nothing, when the folder holds no such file.
bool InstallQtTranslations(const QString& folder = QtTranslationsFolder());
