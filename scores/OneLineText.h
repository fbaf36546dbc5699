#pragma once

#include <QString>

// text on one line: CR LF, CR, LF and the line and paragraph separators each
// become one space, as does every other control character (tabs included).
// cursor, when given, is a position in text and is moved to the same place
// in the result.
QString oneLineText(const QString& text, int* cursor = nullptr);
