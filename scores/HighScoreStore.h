#pragma once

#include "scores/HighScoreFile.h"
#include "scores/HighScoreTable.h"
#include "scores/InPlaceBackup.h"

#include <QList>
#include <QString>

#include <chrono>
#include <optional>

// What the player must be told about a date.dat that could not be read to
// the end: the problem, and where the unchanged file was copied (empty when
// no copy could be made).
struct HighScoreDamage {
    QString problem;
    QString copyPath;
    bool notAFile = false;   // a folder, FIFO, device or socket: nothing to copy
    bool unreadable = false; // could not be read at all: never written over
};

struct HighScoreSave {
    bool saved = false;
    QString reason;                        // Japanese, when not saved
    std::optional<HighScoreDamage> damage; // the file found before writing was damaged
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

    void setPath(const QString& path);
    const QString& path() const { return path_; }
    // The lock file that keeps two saves from overlapping. Where none can be
    // made, saves lock the file itself.
    QString lockPath() const;
    // Where the bytes of the file are kept, with those that replace them,
    // while it is rewritten in place (see InPlaceBackup): in the per-user
    // data folder, or in folder once set. The file found cut short by such
    // a rewrite is read as those bytes. Empty when there is no such folder.
    QString previousCopyPath() const;
    void setPreviousCopyFolder(const QString& folder) { previousFolder_ = folder; }

    const HighScoreTable& table() const { return table_; }
    // Rows recorded since the last successful save, oldest first.
    const QList<HighScoreRow>& unsaved() const { return unsaved_; }

    // Reads the file (the default table when there is none) and forgets any
    // unsaved row. A damaged file is kept aside (see keepDamagedCopy) before
    // anything can write over it; the rows read up to the problem are kept.
    std::optional<HighScoreDamage> load();

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
    // it holds and writes the result. With no other copy at work the result
    // is this copy's own table. Only a successful save changes the table
    // (to the merged one) and clears the unsaved rows; after a failure they
    // wait for the next save. A damaged file is handled as by load, except
    // that the damage this copy already reported (the same problem in the
    // same rows) is not kept or reported again. When the damaged file was
    // moved aside and no file has taken its place, the save places the
    // rows on those read from it before the problem. A file that cannot be
    // read at all is never written over: the save fails. A file rewritten in
    // place is rewritten only once what it holds is kept (see
    // previousCopyPath); where that cannot be done, the save fails and the
    // file is left as it was. After a rewrite in place that failed part way,
    // the next saves merge onto the table read before it, until one
    // succeeds.
    HighScoreSave save(std::chrono::milliseconds lockWait = DefaultLockWait);

private:
    std::optional<HighScoreDamage> noteDamage(const HighScoreLoad& load);
    InPlaceBackup backup() const;
    HighScoreLoad readFile() const;

    QString path_;
    HighScoreTable table_;
    QList<HighScoreRow> unsaved_;
    // The damaged contents this copy has reported, until a save replaces them.
    std::optional<HighScoreLoad> reported_;
    QString previousFolder_;
    // After a rewrite in place failed part way, until a save succeeds: the
    // table read before it, and where its bytes were kept (empty when they
    // were not).
    std::optional<HighScoreTable> beforeFailure_;
    QString keptPrevious_;
};
