#pragma once

#include <QString>

class HighScoreTable;

// What the score session asks of the window that hosts it. Each call
// returns once the player has answered.
class ScoreSessionView {
public:
    virtual ~ScoreSessionView() = default;

    // The name for a placed game, as the player typed it.
    virtual QString askName() = 0;
    // A save failed: true to try again, false to give up for now.
    virtual bool askRetry(const QString& message) = 0;
    // Something about date.dat the player must know before going on.
    virtual void tellAboutFile(const QString& message) = 0;
    // The best score to show beside the board.
    virtual void showBestScore(qint32 score) = 0;
    // The table changed: a table window that is open shows it again.
    virtual void refreshTable(const HighScoreTable& table) = 0;
    // A game's row is saved: the table window shows the table, in front.
    virtual void showTable(const HighScoreTable& table) = 0;
};
