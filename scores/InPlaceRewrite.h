#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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
// as a tail (see HighScoreTail.h) past the end of the file and past
// bytes.size(), flushed; then bytes at the start, flushed; then the file cut
// to their length, flushed. currentTail is the tail the file reads as now,
// if any: that rewrite is finished first, so that a file never holds more
// than one tail that counts. Saves of one path must not overlap.
RewriteOutcome rewriteInPlace(const QString& path, QByteArrayView bytes, QByteArrayView currentTail);
