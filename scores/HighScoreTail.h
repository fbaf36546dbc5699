#pragma once

#include "scores/HighScoreFormat.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

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

// The table of the last whole tail in bytes: its marker at the start of a
// line, all its bytes there and their checksum right. nullopt when none is.
std::optional<QByteArrayView> lastTail(QByteArrayView bytes);

// date.dat's table: that of its last whole tail when the tail reads as a
// whole table, else the first 30 fields (see readHighScores). tail, when
// given, is set to the tail's bytes, or emptied.
HighScoreText readStoredHighScores(QByteArrayView bytes, bool readFailed, QByteArray* tail = nullptr);
