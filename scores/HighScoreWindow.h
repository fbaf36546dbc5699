#pragma once

#include "platform/GreenDialog.h"

#include <array>

class HighScoreTable;
class LabelRow;
class QLabel;

// The high-score window: ten rows of score, difficulty and name. It keeps
// nothing of its own: the cells show what the last fill() wrote. OK unloads
// it. Assistive tools read each row as one item, its rank first, and the
// ten of them, one a line, as the window's description.
class HighScoreWindow : public GreenDialog {
    Q_OBJECT
public:
    HighScoreWindow();

    // Writes the thirty cells from the table, exactly as they stand, and
    // what assistive tools read of them.
    void fill(const HighScoreTable& table);

    void pressOk() override;

    // 1 <= row <= 10.
    QLabel* scoreCell(int row) const { return scoreCells_.at(row - 1); }
    QLabel* levelCell(int row) const { return levelCells_.at(row - 1); }
    QLabel* nameCell(int row) const { return nameCells_.at(row - 1); }
    QLabel* heading() const { return heading_; }

signals:
    // The OK action has unloaded the window; it is deleted soon after.
    void unloaded();

private:
    QLabel* heading_ = nullptr;
    std::array<QLabel*, 10> scoreCells_ {};
    std::array<QLabel*, 10> levelCells_ {};
    std::array<QLabel*, 10> nameCells_ {};
    std::array<LabelRow*, 10> rows_ {};      // each holds the row's three cells
};
