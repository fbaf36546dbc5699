#pragma once

#include "scores/HighScoreTable.h"

#include <QByteArray>
#include <QByteArrayView>
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
// the next comma or line end. Nothing past the 30th field is looked at:
// whatever bytes follow it are ignored.
//
// A label or a name may be any text, quoted or not. A score must be unquoted,
// an optional minus sign followed by ASCII digits (leading zeros allowed),
// and lie in -32768..32767: "+5", "12.0", "1e3" and "" are not scores.
//
// The first 30 fields, with everything between them, must lie within the
// first HighScoreReadLimit bytes (1 MiB, some 26 times the largest table the
// game writes); a file that needs more is damaged. So reading takes about
// the same time and memory whatever the size of the file.
constexpr qint64 HighScoreReadLimit = 1024 * 1024;

// A label or a name holds at most this many characters (UTF-16 code units,
// as QString and the name box count them): far more than any name a person
// types, and few enough that every table the game writes reads back whole.
constexpr qsizetype HighScoreFieldLimit = 1000;

// The most bytes writeHighScores produces: a score is at most "-32768"; a
// character of a label or a name takes at most two bytes (the full-width
// quote that replaces '"' among them; a pair of surrogates that becomes "?"
// takes one), plus its two double quotes; every line ends in CR LF.
constexpr qint64 HighScoreLargestWritten =
    HighScoreTable::Rows * (6 + 2 + 2 * (2 * HighScoreFieldLimit + 2 + 2));
static_assert(HighScoreLargestWritten < HighScoreReadLimit, "the game must read back every table it writes");

// No byte past these is looked at: the limit, the LF of a CR LF that
// straddles it, and one byte more to tell whether the text ends after that LF.
constexpr qint64 HighScoreBytesLooked = HighScoreReadLimit + 2;

// Three a row: the score, the difficulty label and the name.
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
    NotAFile,        // a folder, FIFO, device or socket (mode): it holds no table, and a save replaces it
    BadLink,         // a link to nothing that can be read: a save replaces it
    Unreadable,      // it could not be opened (error) or read (line): what it holds is unknown
};

// Where and why reading stopped, with what a sentence about it names.
struct HighScoreFault {
    HighScoreProblem kind = HighScoreProblem::None;
    int line = 0;              // 1-based physical line; 0 when there is no problem
    int fieldsRead = 0;        // TooFewFields: the fields before the end
    QString score;             // BadScore: the field as read
    bool quoted = false;       // BadScore: it stood between double quotes
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

// text cut to HighScoreFieldLimit characters. Where that would leave the
// first half of a surrogate pair last, the whole pair goes.
QString cutToFieldLimit(const QString& text);

// Lines are physical: CR LF, LF and a lone CR each end one. Bytes that are
// not valid cp932 end the text at the first bad character, and reading stops
// with NotCp932 at its line when a field needs what lies beyond; bad bytes
// past the 30th field are ignored like any text there. A label or a name
// longer than HighScoreFieldLimit is cut, as by cutToFieldLimit, and the row
// is kept. No bytes at all are Empty. readFailed says that the bytes end
// where reading the file failed, not where it ends: a field that needs more
// is Unreadable at that line.
//
// A readLimit lower than the game's (at least 1) moves the limit, so that
// tests reach its edges with short texts.
HighScoreText readHighScores(QByteArrayView bytes, bool readFailed = false,
                             qint64 readLimit = HighScoreReadLimit);

// Always 30 lines. A double quote in a label or a name is written as the
// full-width "＂" (U+FF02) so that the field cannot end early; a character that
// cp932 cannot hold is written as "?".
QByteArray writeHighScores(const HighScoreTable& table);
