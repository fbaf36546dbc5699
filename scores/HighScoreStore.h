#pragma once

#include "scores/HighScoreFile.h"
#include "scores/HighScoreTable.h"

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

    void SetPath(const QString& path);
    const QString& Path() const { return path_; }
    // The lock file that keeps two saves from overlapping.
    QString LockPath() const;

    const HighScoreTable& Table() const { return table_; }
    // Rows placed and filled since the last successful save, oldest first.
    const QList<HighScoreRow>& Unsaved() const { return unsaved_; }

    // Reads the file (the default table when there is none) and forgets any
    // unsaved row. A damaged file is copied aside before anything can write
    // over it; the rows read up to the problem are kept.
    std::optional<HighScoreDamage> Load();

    // Places a finished game's score and makes room for it, as
    // HighScoreTable::Place: returns the row, or nullopt when the score is
    // not placed. Fill then completes that row; until then it is not saved.
    std::optional<int> Place(qint32 score);
    // Fills the row of the last Place and keeps it for the next save. Line
    // breaks and other control characters in the label or the name become
    // spaces, so that the file keeps three lines a row.
    void Fill(const HighScoreRow& content);

    // Under the lock, reads the file again, places the unsaved rows on what
    // it holds and writes the result. With no other copy at work the result
    // is this copy's own table. Only a successful save changes the table
    // (to the merged one) and clears the unsaved rows; after a failure they
    // wait for the next save. A damaged file is handled as by Load, except
    // that the damage this copy already reported (the same problem in the
    // same rows) is not copied or reported again. A file that cannot be
    // read at all is never written over: the save fails.
    HighScoreSave Save(std::chrono::milliseconds lockWait = DefaultLockWait);

private:
    std::optional<HighScoreDamage> noteDamage(const HighScoreLoad& load);

    QString path_;
    HighScoreTable table_;
    QList<HighScoreRow> unsaved_;
    // A placed score whose row is not filled yet, and that row (none when
    // a save in between left no room for it).
    struct Placing {
        qint32 score;
        std::optional<int> row;
    };
    std::optional<Placing> placing_;
    // The damaged contents this copy has reported, until a save replaces them.
    std::optional<HighScoreLoad> reported_;
};

// text on one line: CR LF, CR, LF and the line and paragraph separators each
// become one space, as does every other control character (tabs included).
// cursor, when given, is a position in text and is moved to the same place
// in the result.
QString OneLineText(const QString& text, int* cursor = nullptr);
