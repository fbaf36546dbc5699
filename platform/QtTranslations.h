#pragma once

// Installs Qt's own Japanese texts, those of the menus and dialogs Qt draws
// itself (a text box's right-click menu, for one), whatever the locale: the
// program speaks Japanese only. Returns false when they are not installed
// (Debian's qt6-translations-l10n), and Qt's English then shows through.
bool loadQtTranslations();
