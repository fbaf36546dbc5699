#pragma once

#include "scores/HighScoreStore.h"

#include <QString>

#include <optional>

class ScoreSessionView;

// The high scores from the board's side: loads the table at start-up, ranks
// a finished game, asks for the name, saves with Retry/Cancel and shows the
// refreshed table, telling the player about any damage in date.dat. It
// holds no window; everything the player sees or answers goes through the
// view, which must outlive the session.
class ScoreSession {
public:
    explicit ScoreSession(ScoreSessionView& view);

    // Reads the table from path (from seed while no file is there, see
    // HighScoreStore::setSeedPath) and shows its best score. A notice about
    // where scores are kept, when not empty, is told first.
    void load(const QString& path, const QString& notice = {}, const QString& seed = {});

    // A game ended with score at the given tick interval: a score that
    // ranks is a new best shown at once when it takes row 1; then the name
    // is asked, the row recorded and saved, and the table shown.
    void finishGame(qint32 score, int tickInterval);

    // Saves, offering Retry while the save fails; Cancel keeps the unsaved
    // rows for the next save. The best score and an open table window show
    // whatever the save brought in from other copies. Returns whether the
    // last attempt saved.
    bool save();
    // For when no one can be asked (the session is ending): one attempt.
    bool saveWithoutAsking();
    // The save as the board closes: as save, and when the program is
    // ending on a signal and the rows did not reach the file, why goes to
    // standard error, once, whatever earlier saves said.
    bool saveAtClose();
    // For when the program is told to end (a signal): from now on nothing
    // is asked or shown. A save is one attempt, and what the player would
    // have been told about the file goes to standard error.
    void stopAsking() { asking_ = false; }

    const HighScoreTable& table() const { return store_.table(); }
    const QString& path() const { return store_.path(); }

private:
    void tellAboutDamage(const std::optional<HighScoreDamage>& damage);
    void tell(const QString& message);

    ScoreSessionView& view_;
    bool asking_ = true;
    QString lastFailure_;   // why the last save did not reach the file
    HighScoreStore store_;   // date.dat, shared with other copies of the game
};
