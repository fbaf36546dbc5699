#pragma once

#include <QString>
#include <QtGlobal>

// The ten best results, as three parallel arrays indexed 1..10 (index 0 is
// unused); row 1 is the best. Rows stay in non-increasing score order as
// long as every change is ShiftDown followed by filling row rank + 1; nothing
// here sorts or checks the rows, since rows read from date.dat are taken in
// the file's order.
class HighScoreTable {
public:
    static constexpr int Rows = 10;
    static constexpr qint16 DefaultScore = -9999;

    qint16 HighScore[Rows + 1];
    QString HighLevel[Rows + 1];
    QString HighName[Rows + 1];

    // All ten rows are default rows.
    HighScoreTable();

    // 1 <= row <= Rows: score -9999, label "易しい", name "名無しの権兵衛".
    void SetDefaultRow(int row);

    // The number of rows that stay above a finished game's score (0..9), or
    // 10 when the score is not placed. Every i from 1 to 9 is tested, with no
    // early exit, so in a table out of order the largest i that passes wins.
    // A score equal to rows in the table goes below them. This does not look
    // at the new-best test; the caller applies IsNewBest afterwards and takes
    // rank 0 when it holds.
    int RankBelow(qint32 score) const;

    // Strictly above row 1: a score equal to the best is no new best.
    bool IsNewBest(qint32 score) const;

    // 0 <= rank <= 10. Copies rows rank+1..9 one place down (score, name and
    // label together); the old row 10 is lost. Row rank + 1 keeps its old
    // content until the caller fills it. Nothing moves for rank 9 or 10.
    void ShiftDown(int rank);
};

// The difficulty label of a tick interval in milliseconds: 500 "難しい",
// 750 "普通", 1000 "易しい"; an empty string for any other interval, which
// never occurs at the end of a game.
QString LevelLabel(int tickInterval);
