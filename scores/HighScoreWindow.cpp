#include "scores/HighScoreWindow.h"

#include "platform/FontSetup.h"
#include "platform/NumberText.h"
#include "platform/PlaceLabel.h"
#include "platform/Twips.h"
#include "scores/HighScoreTable.h"

#include <QLabel>

namespace {

const GreenDialog::Layout HighScoreLayout{
    QSize(585, 377),
    twips(0, 0, 8775, 5655),
    twips(240, 3240, 1815, 735),
    twips(240, 3360, 1815, 615),
    twips(9120, 1560, 255, 495),
    QStringLiteral("Form3"),
    QStringLiteral("ハイスコア"),
};

} // namespace

HighScoreWindow::HighScoreWindow()
    : GreenDialog(HighScoreLayout)
{
    heading_ = placeLabel(new QLabel(this), twips(120, 1200, 1935, 615), QStringLiteral("ハイスコア"), uiFont(21.75),
                          Qt::AlignHCenter);

    // A cell shows its text from the left and cuts it at its own right edge.
    auto cell = [this](int left, int row, int width) {
        QLabel* label = placeLabel(new QLabel(this), twips(left, 480 * row, width, 495), {}, uiFont(18));
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        nameCells_[row - 1] = cell(5760, row, 2775);
        scoreCells_[row - 1] = cell(2280, row, 1335);
        levelCells_[row - 1] = cell(3960, row, 1335);
    }
}

void HighScoreWindow::fill(const HighScoreTable& table)
{
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        scoreCell(row)->setText(plainNumberText(table.row(row).score));
        levelCell(row)->setText(table.row(row).level);
        nameCell(row)->setText(table.row(row).name);
    }
}

void HighScoreWindow::pressOk()
{
    // Unloading: the window goes and takes its cells with it.
    unload();
    emit unloaded();
}
