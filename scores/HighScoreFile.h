#pragma once

#include "platform/FileDescriptor.h"
#include "scores/HighScoreFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// date.dat as found on disk.
struct HighScoreLoad : HighScoreText {
    bool existed = false;
    QByteArray tail;   // the table of a tail a rewrite in place left, if any

    bool damaged() const { return fault.kind != HighScoreProblem::None; }
};

// No file at path: the default table, not existed. Reads only a regular
// file, or a link to one, and no more than it needs (see below); anything
// else is NotAFile without being opened, so that start-up never blocks on
// it, and a link to nothing readable is BadLink. A file that cannot be
// looked at or opened is Unreadable with the errno, at line 0.
HighScoreLoad loadHighScoresFile(const QString& path);

// Writes the whole table by replaceFile; where the folder refuses that and
// a regular file stands at path, rewrites that file in place. Either way a
// failure or a kill at any point leaves the file reading as before or as
// the table, for every copy. currentTail is the load's tail. A link at path
// is replaced, never followed. Saves of one path must not overlap.
FileOutcome saveHighScoresFile(const QString& path, const HighScoreTable& table, QByteArrayView currentTail = {});

// A rewrite in place first writes the new table as a tail after the 30th
// field, where readers of the 30 fields alone never look: the line
// "#pyokopon-table LENGTH SHA256" and the table. Then it writes the table at
// the start, and last cuts the file to its length, flushing after each step.
// Until the cut, every reader of the last whole tail reads the new table.

// The tail of table, to be written at offset at (the end of the file, no
// further than HighScoreBytesLooked): a line end, blank lines up to offset
// table.size() at least, which writing the table at the start cannot reach,
// the marker line and the table.
QByteArray tailBlock(QByteArrayView table, qint64 at);

// The table of the last whole tail in bytes (its marker at the start of a
// line, its checksum right), and that tail, when it reads whole; else
// readHighScores's. existed is left false.
HighScoreLoad readStoredHighScores(QByteArrayView bytes, bool readFailed);
