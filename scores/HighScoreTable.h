#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// One row of the table: a whole result, moved as one value.
struct HighScoreRow {
    qint16 score = -9999;
    QString level = QStringLiteral("易しい");
    QString name = QStringLiteral("名無しの権兵衛");

    friend bool operator==(const HighScoreRow&, const HighScoreRow&) = default;
};

// The ten best results; row 1 is the best. Rows stay in non-increasing score
// order as long as every change is an insert(); nothing here sorts or checks
// the rows, since rows read from date.dat are taken in the file's order.
class HighScoreTable {
public:
    static constexpr int Rows = 10;

    // All ten rows are default rows: -9999, "易しい", "名無しの権兵衛".
    HighScoreTable() = default;

    // 1 <= row <= Rows.
    const HighScoreRow& row(int row) const;
    void setRow(int row, const HighScoreRow& content);

    // The row (1..Rows) a finished game's score would take, or nullopt when
    // it is not placed. A score above row 1 is a new best and always takes
    // row 1. Otherwise it goes below every row with an equal or higher
    // score: each i from 1 to 9 with row i >= score > row i + 1 is tested,
    // with no early exit, so in a table out of order the largest i decides.
    std::optional<int> rankOf(qint32 score) const;

    // Puts content in the row rankOf(content.score) gives: the rows from
    // there on move down one place and the old row 10 is lost. Returns that
    // row, or nullopt when the score is not placed and nothing changed.
    std::optional<int> insert(const HighScoreRow& content);

    friend bool operator==(const HighScoreTable&, const HighScoreTable&) = default;

private:
    std::array<HighScoreRow, Rows> rows_;
};

// The difficulty label of a tick interval in milliseconds: 500 "難しい",
// 750 "普通", 1000 "易しい"; an empty string for any other interval, which
// never occurs at the end of a game.
QString levelLabel(int tickInterval);
