#pragma once

#include "platform/SmallWindow.h"

class HighScoreTable;
class QLabel;

// The high-score window: ten rows of score, difficulty and name. It keeps
// nothing of its own: the cells show what the last fill wrote.
class Form3 : public SmallWindow {
    Q_OBJECT
public:
    Form3();

    // Writes the thirty cells from the table, exactly as they stand.
    void fill(const HighScoreTable& table);

    void Label6_Click();
    void Command1_Click() override;

    QLabel* Label5 = nullptr;      // the heading "ハイスコア"
    ClickLabel* Label6 = nullptr;  // the OK label
    QLabel* Label1[11] = {};       // score of rows 1..10
    QLabel* Label3[11] = {};       // difficulty of rows 1..10
    QLabel* Label2[11] = {};       // name of rows 1..10

signals:
    // The OK action has unloaded the window; it is deleted soon after.
    void unloaded();
};
