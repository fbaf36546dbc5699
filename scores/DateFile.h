#pragma once

#include "scores/HighScoreTable.h"

#include <QByteArray>
#include <QString>

// date.dat as written: 30 lines ending in CR LF, three per row, best row
// first: the score in plain decimal, then the difficulty label and the name,
// each between double quotes, in cp932.
//
// As read: the first 30 fields, in that order. Fields are separated by a
// comma or a line end (CR LF, LF or CR), so one row per line with commas
// reads the same. Blank lines between fields are skipped, but a line end
// straight after a comma ends an empty field. Spaces and tabs around a field
// are ignored (inside double quotes they are kept). A field that begins with
// a double quote runs to the next double quote (line ends included); only
// spaces and tabs may follow it before the separator. Any other field runs to
// the next comma or line end. Nothing past the 30th field is looked at.
//
// A label or a name may be any text, quoted or not. A score must be unquoted,
// an optional minus sign followed by ASCII digits (leading zeros allowed),
// and lie in -32768..32767: "+5", "12.0", "1e3" and "" are not scores.

struct HighScoreLoad {
    HighScoreTable table;
    bool existed = false;
    // Something could not be read: the rows before the first problem are kept
    // and the rest are default rows (a row is kept only when all three of its
    // fields were read and valid; nothing after a bad field is trusted, since
    // a missing or extra field shifts every later one).
    bool damaged = false;
    QString problem;        // Japanese, one sentence naming the line; empty when not damaged
    int problemLine = 0;    // 1-based physical line of the problem; 0 when not damaged or not line-bound
    int rowsRead = 0;       // rows 1..rowsRead came from the file
};

// The contents of an existing file; existed is true. Bytes that are not
// valid cp932 make the file damaged at their line, and only the lines before
// it are read; bad bytes past the 30th field are ignored like any text there.
// An empty file is damaged.
HighScoreLoad ReadHighScores(const QByteArray& bytes);

// Always 30 lines. A double quote in a label or a name is written as the
// full-width "＂" (U+FF02) so that the field cannot end early; a character that
// cp932 cannot hold is written as "?".
QByteArray WriteHighScores(const HighScoreTable& table);

// No file at path: the default table, existed and damaged false. A path that
// exists but cannot be read (a folder, no permission) is damaged.
HighScoreLoad LoadHighScoresFile(const QString& path);

// Copies the file at path, unchanged, to path + ".damaged", or to the first of
// ".damaged.1", ".damaged.2", ... that does not exist yet. Returns the copy's
// path, or an empty string when no copy could be made.
QString KeepDamagedCopy(const QString& path);

// Writes the whole table through a temporary file that replaces path only
// once it is complete, so a failure at any point leaves the previous file
// whole. On failure returns false and, when reason is given, says why in
// Japanese.
bool SaveHighScoresFile(const QString& path, const HighScoreTable& table, QString* reason);

// Message box texts for the player.
QString DamagedFileMessage(const QString& path, const QString& problem, const QString& copyPath);
QString SaveFailedMessage(const QString& path, const QString& reason);   // for Retry / Cancel buttons
