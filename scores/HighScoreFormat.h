#pragma once

#include "scores/HighScoreTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// date.dat as written: 30 lines ending in CR LF, three per row, best row
// first: the score in plain decimal, then the difficulty label and the name,
// each between double quotes, in cp932.
//
// As read: the first 30 fields, in that order; whatever follows them is
// ignored. Fields are separated by a comma or a line end (CR LF, LF or CR).
// Blank lines between fields are skipped, but a line end straight after a
// comma ends an empty field. Spaces and tabs around a field are ignored. A
// field that begins with a double quote runs to the next one (line ends
// included), and only spaces and tabs may follow it; any other field runs to
// the next separator. A score is unquoted: an optional minus sign, ASCII
// digits, and a value in -32768..32767.
//
// The 30 fields must lie within the first HighScoreReadLimit bytes (1 MiB,
// some 26 times the largest table the game writes), so that reading takes
// about the same time and memory whatever the size of the file.
constexpr qint64 HighScoreReadLimit = 1024 * 1024;

// A label or a name holds at most this many characters (UTF-16 code units,
// as QString and the name box count them): far more than anyone types, and
// few enough that every table the game writes reads back whole.
constexpr qsizetype HighScoreFieldLimit = 1000;

// The most bytes writeHighScores produces: a score is at most "-32768"; a
// character of a label or a name takes at most two bytes, plus its two
// double quotes; every line ends in CR LF.
constexpr qint64 HighScoreLargestWritten =
    HighScoreTable::Rows * (6 + 2 + 2 * (2 * HighScoreFieldLimit + 2 + 2));
static_assert(HighScoreLargestWritten < HighScoreReadLimit, "the game must read back every table it writes");

// No byte past these is looked at: the limit, the LF of a CR LF across it,
// and one more to tell whether the text ends after that LF.
constexpr qint64 HighScoreBytesLooked = HighScoreReadLimit + 2;

constexpr int HighScoreFields = HighScoreTable::Rows * 3;

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
    BadLink,         // a link to nothing that can be read: a save replaces it
    Unreadable,      // it could not be opened (error) or read (line): what it holds is unknown
};

// Where and why reading stopped, with what a sentence about it names.
struct HighScoreFault {
    HighScoreProblem kind = HighScoreProblem::None;
    int line = 0;              // 1-based physical line; 0 when there is no problem
    int fieldsRead = 0;        // TooFewFields: the fields before the end
    QString score;             // BadScore: the field as it stands, quotes included
    bool outOfRange = false;   // BadScore: a whole number outside -32768..32767
    int error = 0;             // Unreadable at no line: the errno of looking at or opening the file
    unsigned mode = 0;         // NotAFile: the type of what stands there (S_IFMT bits)

    friend bool operator==(const HighScoreFault&, const HighScoreFault&) = default;
};

struct HighScoreText {
    // Rows 1..rowsRead came from the bytes, each once all three of its fields
    // were read and valid; the rest are default rows, since a missing or
    // extra field shifts every later one.
    HighScoreTable table;
    int rowsRead = 0;
    HighScoreFault fault;   // kind None when all 30 fields were read
};

// text cut to HighScoreFieldLimit characters, never between the two halves
// of a surrogate pair.
QString cutToFieldLimit(const QString& text);

// Lines are physical: CR LF, LF and a lone CR each end one. The text ends at
// the first character that is not cp932, and a field that needs more is
// NotCp932 at that line. A label or a name is cut by cutToFieldLimit.
// readFailed says that the bytes end where reading the file failed: a field
// that needs more is Unreadable at that line. A lower readLimit (at least 1)
// lets tests reach the limit's edges with short texts.
HighScoreText readHighScores(QByteArrayView bytes, bool readFailed = false,
                             qint64 readLimit = HighScoreReadLimit);

// Always 30 lines. A double quote in a label or a name is written as the
// full-width "＂" (U+FF02) so that the field cannot end early; a character
// that cp932 cannot hold is written as "?".
QByteArray writeHighScores(const HighScoreTable& table);
