#pragma once

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

struct HighScoreSave {
    bool saved = false;                      // the rows reached the file
    std::optional<HighScoreDamage> damage;   // the file found before writing was damaged
    FileOutcome outcome;                     // where locking or writing stopped
    HighScoreFault unreadable;               // kind Unreadable: the file is never written over
};

// date.dat as shared by every copy of the game that runs beside it. The
// table is this copy's view; the rows it placed since its last successful
// save are kept apart, in play order, so that a save places them again on
// whatever the file holds by then: rows another copy saved are never lost.
class HighScoreStore {
public:
    static constexpr std::chrono::milliseconds DefaultLockWait{3000};

    explicit HighScoreStore(const QString& path = {}) : path_(path) {}

    void setPath(const QString& path) { path_ = path; }
    const QString& path() const { return path_; }
    // Read while no file is at path: a shared file the player cannot write.
    void setSeedPath(const QString& seed) { seed_ = seed; }

    const HighScoreTable& table() const { return table_; }
    // Rows recorded since the last successful save, oldest first.
    const QList<HighScoreRow>& unsaved() const { return unsaved_; }

    // Reads the file (the default table when there is none) and forgets any
    // unsaved row. A damaged file is moved aside under the lock (see
    // keepDamagedCopy); the rows read up to the problem are kept. Line ends
    // in a label or a name become spaces, so that a save keeps 30 lines.
    std::optional<HighScoreDamage> load(std::chrono::milliseconds lockWait = DefaultLockWait);

    std::optional<int> rankOf(qint32 score) const { return table_.rankOf(score); }
    // Places a finished game's row in the table and keeps it for the next
    // save, on one line (see oneLineText) and cut to HighScoreFieldLimit.
    void record(const HighScoreRow& row);

    // Under the lock, reads the file again, places the unsaved rows on it
    // and writes the result. Only a save whose rows reached the file takes
    // the merged table and clears the unsaved rows, so that a retry is a
    // new save. Damage is handled as by load and reported once.
    HighScoreSave save(std::chrono::milliseconds lockWait = DefaultLockWait);

private:
    HighScoreLoad read() const;
    std::optional<HighScoreDamage> noteDamage(const HighScoreLoad& load, bool locked);

    QString path_;
    QString seed_;
    HighScoreTable table_;
    QList<HighScoreRow> unsaved_;
    std::optional<HighScoreLoad> reported_;   // the damage reported, until a save replaces it
};
