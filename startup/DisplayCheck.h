#pragma once

class QString;

// The display the game's windows open on, and the one line that ends the
// program with exit status 1 when there is none, in place of Qt's abort
// and its page about platform plugins. The line is in English, as every
// text the program writes to a terminal: a terminal is where it is read,
// and one without a display may well have no Japanese font either.

// Call before QApplication is built, with the values of -platform and
// -display (empty when not given). Returns false, after the line, when Qt
// is to use its X11 or Wayland platform and nothing names a display, so
// that Qt could only abort. Otherwise, until displayOpened(), a display
// that Qt cannot open ends the program with the line instead of an abort;
// Qt's warnings before it still say why.
bool expectDisplay(const QString& platformOption, const QString& displayOption);
void displayOpened();
