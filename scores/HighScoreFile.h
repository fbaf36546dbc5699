#pragma once

#include "platform/FileReplacement.h"
#include "scores/HighScoreFormat.h"
#include "scores/HighScoreTail.h"

#include <QByteArray>
#include <QString>

#include <optional>

// date.dat as found on disk.
struct HighScoreLoad {
    HighScoreTable table;
    bool existed = false;
    // Rows 1..rowsRead came from the file; the rest are default rows (see
    // HighScoreText). fault.kind is None when the table was read whole.
    int rowsRead = 0;
    HighScoreFault fault;
    // The tail the file reads as, left by a rewrite in place that a crash
    // cut short (see HighScoreTail.h); empty when there is none.
    QByteArray tail;

    bool damaged() const { return fault.kind != HighScoreProblem::None; }
};

// No file at path (or a link to nothing): the default table, not existed.
// Reads only a regular file, or a link to one; a folder, FIFO, device or
// socket is NotAFile without being opened for reading, so start-up never
// blocks on it, and a link to nothing readable is BadLink. A file that
// cannot be looked at or opened is Unreadable with the errno, at line 0.
// No more than HighScoreFileBytesLooked bytes are read.
HighScoreLoad loadHighScoresFile(const QString& path);

// How writing the table went: by a new file renamed over the old one, or,
// where the folder refused that and a regular file is there, in place.
struct HighScoreWrite {
    ReplaceOutcome replace;
    std::optional<RewriteOutcome> inPlace;

    bool reachedFile() const { return inPlace ? inPlace->reachedFile() : replace.succeeded(); }
};

// Writes the whole table, so that a failure or a kill at any point leaves
// the file reading as before or as the table (see replaceFile and
// rewriteInPlace); currentTail is the tail the file reads as now. A link at
// path is replaced, never followed; a file with other names is rewritten
// in place like any other. Saves of one path must not overlap.
HighScoreWrite saveHighScoresFile(const QString& path, const HighScoreTable& table, QByteArrayView currentTail = {});
