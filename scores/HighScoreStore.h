#pragma once

#include "platform/FileLock.h"
#include "scores/HighScoreFile.h"
#include "scores/HighScoreTable.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// A date.dat that could not be read to the end, and where it was kept
// (empty when it was not: nothing to keep, or no way to).
struct HighScoreDamage {
    HighScoreFault fault;
    QString copyPath;
};

// What a save did; the steps after the first that failed are left as they are.
struct HighScoreSave {
    bool saved = false;
    std::optional<HighScoreDamage> damage;   // the file found before writing was damaged
    FileLock::Result lock = FileLock::Result::Locked;
    mode_t lockMode = 0;   // NoLock: what stands at the lock file's name
    int lockError = 0;     // NoLock: why it could not be opened or made
    HighScoreFault unreadable;   // kind Unreadable: the file could not be read, so it was not written over
    HighScoreWrite write;
};

// date.dat as shared by every copy of the game that runs beside it. The
// table is this copy's view; the rows this copy placed since its last
// successful save are kept apart, in the order they were played, so that a
// save can place them again on whatever the file holds by then: rows that
// another copy saved in the meantime are never lost.
class HighScoreStore {
public:
    static constexpr std::chrono::milliseconds DefaultLockWait{3000};

    explicit HighScoreStore(const QString& path = {});

    void setPath(const QString& path) { path_ = path; }
    const QString& path() const { return path_; }
    // The table is read from seed while no file is at path: the shared file
    // that a player who cannot write it starts from.
    void setSeedPath(const QString& seed) { seed_ = seed; }
    // Never deleted: see FileLock.
    QString lockPath() const { return path_ + QStringLiteral(".lock"); }

    const HighScoreTable& table() const { return table_; }
    // Rows recorded since the last successful save, oldest first.
    const QList<HighScoreRow>& unsaved() const { return unsaved_; }

    // Reads the file (the default table when there is none) and forgets any
    // unsaved row. A damaged file is moved aside under the lock (see
    // keepDamagedCopy) before anything can write over it; the rows read up to
    // the problem are kept. CR and LF in a label or a name become spaces.
    std::optional<HighScoreDamage> load(std::chrono::milliseconds lockWait = DefaultLockWait);

    // The row a finished game's score would take in this copy's table, as
    // HighScoreTable::rankOf; nullopt when it is not placed.
    std::optional<int> rankOf(qint32 score) const { return table_.rankOf(score); }
    // Puts a finished game's row in the table where it ranks now and keeps
    // it for the next save. Line breaks and other control characters in the
    // label or the name become spaces, so that the file keeps three lines a
    // row, and each is cut to HighScoreFieldLimit characters, so that the
    // file reads back whole.
    void record(const HighScoreRow& row);

    // Under the lock, reads the file again, places the unsaved rows on what
    // it holds and writes the result: by a rename where the folder allows
    // it, else in place (see rewriteInPlace). Only a save whose rows reached
    // the file changes the table (to the merged one) and clears the unsaved
    // rows; after a failure they wait for the next save, which starts anew.
    // A damaged file is handled as by load, except that damage this copy
    // already reported is not reported again; one this copy moved aside
    // leaves the rows read before the problem as what the file held. A file
    // that cannot be read at all is never written over.
    HighScoreSave save(std::chrono::milliseconds lockWait = DefaultLockWait);

private:
    HighScoreLoad read() const;
    std::optional<HighScoreDamage> noteDamage(const HighScoreLoad& load, bool locked);

    QString path_;
    QString seed_;
    HighScoreTable table_;
    QList<HighScoreRow> unsaved_;
    // The damaged contents this copy has reported, until a save replaces them.
    std::optional<HighScoreLoad> reported_;
};
