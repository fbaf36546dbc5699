#pragma once

#include "scores/HighScoreFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A table kept inside date.dat after its 30th field while the file is
// rewritten in place: a line "#pyokopon-table LENGTH SHA256", then the table
// as written. From the moment such a tail is on disk until the rewrite has
// cut the file to the new table, every copy that takes the last whole tail
// reads the new table, and readers of the 30 lines alone still read the old.

// The longest marker line, with the line end before it.
constexpr qint64 HighScoreTailMarkerMost = 2 + 16 + 8 + 64 + 2;

// How far into date.dat a reader looks: the 30 fields, then a tail written
// at the end of them.
constexpr qint64 HighScoreFileBytesLooked = HighScoreBytesLooked + HighScoreTailMarkerMost + HighScoreLargestWritten;

// The tail of table, to be written at offset at (where the file ends, and no
// further than HighScoreBytesLooked): a line end, blank lines so that the
// marker begins no sooner than table.size(), where writing the table at the
// start of the file cannot reach it, the marker and the table.
QByteArray tailBlock(QByteArrayView table, qint64 at);

// date.dat's table: that of its last whole tail (its marker at the start of
// a line, all its bytes there and their checksum right) when the tail reads
// as a whole table, else the first 30 fields (see readHighScores). tail,
// when given, is set to the tail's bytes, or emptied.
HighScoreText readStoredHighScores(QByteArrayView bytes, bool readFailed, QByteArray* tail = nullptr);

// How far a rewrite in place went.
enum class RewriteStep {
    Done,
    Open,      // the file could not be opened for writing: it is unchanged
    Finish,    // finishing the rewrite a crash left failed: it reads as before
    Tail,      // keeping the new table in the file failed: it reads as before
    Head,      // the new table is kept in the file, but writing it at the start or cutting the file failed
};

struct RewriteOutcome {
    RewriteStep step = RewriteStep::Done;
    int error = 0;   // errno of the step that failed

    // Every reader finds the new table: once the tail is on disk.
    bool reachedFile() const { return step == RewriteStep::Done || step == RewriteStep::Head; }
};

// Rewrites the regular file at path (never through a link) with bytes, so
// that a crash at any point leaves it reading, for every reader of
// readStoredHighScores, as the table before or as bytes: first the new table
// as a tail past the end of the file and past bytes.size(), flushed; then
// bytes at the start, flushed; then the file cut to their length, flushed.
// currentTail is the tail the file reads as now, if any: that rewrite is
// finished first, so that a file never holds more than one tail that counts
// and never grows past what readers look at. Saves of one path must not
// overlap.
RewriteOutcome rewriteInPlace(const QString& path, QByteArrayView bytes, QByteArrayView currentTail);
