#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The Japanese ANSI code page (Microsoft's Shift_JIS, "windows-31j") that
// date.dat is written in. Needs a Qt built with ICU.

// Never fails: a character the code page cannot hold becomes "?" (byte 3F),
// one "?" per character, also for a character outside the BMP and for a lone
// surrogate. The JIS forms that input methods on Linux type (〜 U+301C,
// ‖ U+2016, − U+2212, ¢ U+00A2, £ U+00A3, ¬ U+00AC, — U+2014) are written as
// the code page's own characters that look the same (81 60, 81 61, 81 7C,
// 81 91, 81 92, 81 CA, 81 5C).
QByteArray encodeCp932(const QString& text);

// nullopt when the bytes are not valid cp932, including a lead byte cut off
// at the end.
std::optional<QString> decodeCp932(const QByteArray& bytes);
