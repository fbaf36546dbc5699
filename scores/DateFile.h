#pragma once

#include "scores/HighScoreTable.h"

#include <QByteArray>
#include <QString>

class QIODevice;

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
// the next comma or line end. Nothing past the 30th field is looked at:
// whatever bytes follow it are ignored, and reading stops soon after it.
//
// A label or a name may be any text, quoted or not. A score must be unquoted,
// an optional minus sign followed by ASCII digits (leading zeros allowed),
// and lie in -32768..32767: "+5", "12.0", "1e3" and "" are not scores.
//
// The first 30 fields, with everything between them, must lie within the
// first HighScoreReadLimit bytes (1 MiB, some thousand times a table of long
// names); a file that needs more is damaged. So reading takes about the same
// time and memory whatever the size of the file.
constexpr qint64 HighScoreReadLimit = 1024 * 1024;

enum class HighScoreProblem {
    None,
    Empty,           // 0 bytes
    TooFewFields,    // the text ends before the 30th field
    UnclosedQuote,
    TextAfterQuote,
    BadScore,        // not a whole number, or out of range
    NotCp932,        // bytes that are not cp932 before the 30th field ends
    TooLong,         // the 30 fields do not fit in HighScoreReadLimit bytes
    NotAFile,        // a folder, FIFO, device or socket: it holds no table, and a save replaces it
    Unreadable,      // it could not be opened or read: what it holds is unknown
};

struct HighScoreLoad {
    HighScoreTable table;
    bool existed = false;
    // Something could not be read: the rows before the first problem are kept
    // and the rest are default rows (a row is kept only when all three of its
    // fields were read and valid; nothing after a bad field is trusted, since
    // a missing or extra field shifts every later one).
    bool damaged = false;
    HighScoreProblem problemKind = HighScoreProblem::None;
    QString problem;        // Japanese, one sentence naming the line; empty when not damaged
    int problemLine = 0;    // 1-based physical line of the problem; 0 when not damaged or not line-bound
    int rowsRead = 0;       // rows 1..rowsRead came from the file
};

// The contents of an existing file; existed is true. Bytes that are not
// valid cp932 make the file damaged at their line, and only the text before
// them is read; bad bytes past the 30th field are ignored like any text there.
// An empty file is damaged.
HighScoreLoad ReadHighScores(const QByteArray& bytes);

// The same from a device open for reading, read from its current position
// and decoded pieceBytes at a time: at most HighScoreReadLimit bytes and one
// piece more are read. The result does not depend on pieceBytes (>= 2).
HighScoreLoad ReadHighScores(QIODevice& device, qsizetype pieceBytes = 64 * 1024);

// Always 30 lines. A double quote in a label or a name is written as the
// full-width "＂" (U+FF02) so that the field cannot end early; a character that
// cp932 cannot hold is written as "?".
QByteArray WriteHighScores(const HighScoreTable& table);

// No file at path (or a link to nothing): the default table, existed and
// damaged false. Reads only a regular file, or a link to one; a folder, FIFO,
// device or socket is damaged without being opened for reading, so start-up
// never blocks on it. A file that cannot be opened is damaged too.
HighScoreLoad LoadHighScoresFile(const QString& path);

// Keeps the bytes of the regular file at path (or the file a link there
// points to) under path + ".damaged", or the first of ".damaged.1",
// ".damaged.2", ... that is free. When one of those already holds the same
// bytes, nothing new is made and its path is returned. The copy is a second
// name for the same file where the file system allows it (instant for any
// size; a save never writes into a file with two names), otherwise a copy of
// its bytes. Returns the copy's path, or an empty string when no copy could be
// made or path is no regular file.
QString KeepDamagedCopy(const QString& path);

// Writes the whole table to a new file in the same folder and renames it over
// path, so a failure or a kill at any point leaves the previous file whole.
// A link at path is replaced, never followed: what it pointed to is left
// as it was. The new file keeps the permissions (and, where allowed, the
// owner) of the regular file it replaces. A temporary file left by a save
// that was killed is removed by the next save that succeeds, so saves of
// one path must not overlap (the caller serialises them).
// When the folder cannot take a new file but path is a regular file with no
// other name that can be written, that file is rewritten in place instead.
// On failure returns false and, when reason is given, says why in Japanese.
bool SaveHighScoresFile(const QString& path, const HighScoreTable& table, QString* reason);

// Message box texts for the player.
QString DamagedFileMessage(const QString& path, const QString& problem, const QString& copyPath);
// For a folder, FIFO, device or socket where date.dat should be.
QString NotAFileMessage(const QString& path, const QString& problem);
QString SaveFailedMessage(const QString& path, const QString& reason);   // for Retry / Cancel buttons
