#pragma once

#include "scores/HighScoreFormat.h"

#include <QString>

// date.dat as the store sees it: its table, and what the player is told
// when it could not be read to the end.
struct HighScoreLoad {
    HighScoreTable table;
    bool existed = false;
    // Something could not be read: the rows before the first problem are kept
    // and the rest are default rows (see HighScoreText).
    bool damaged = false;
    HighScoreProblem problemKind = HighScoreProblem::None;
    QString problem;        // Japanese, one sentence naming the line; empty when not damaged
    int problemLine = 0;    // 1-based physical line of the problem; 0 when not damaged or not line-bound
    int rowsRead = 0;       // rows 1..rowsRead came from the file
};

// No file at path (or a link to nothing): the default table, existed and
// damaged false. Reads only a regular file, or a link to one; a folder, FIFO,
// device or socket is damaged without being opened for reading, so start-up
// never blocks on it. A file that cannot be opened is damaged too. No more
// than HighScoreBytesLooked bytes of the file are read.
HighScoreLoad loadHighScoresFile(const QString& path);

// Writes the whole table as replaceFile does (platform/FileReplacement.h):
// a failure or a kill at any point leaves the previous file whole, and saves
// of one path must not overlap (the caller serialises them). On failure
// returns false and, when reason is given, says why in Japanese.
bool saveHighScoresFile(const QString& path, const HighScoreTable& table, QString* reason);
