#include "scores/HighScoreWindow.h"

#include "platform/FontSetup.h"
#include "platform/LabelRow.h"
#include "platform/NumberText.h"
#include "platform/PlaceLabel.h"
#include "platform/Twips.h"
#include "scores/HighScoreTable.h"

#include <QLabel>
#include <QStringList>

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

// Twips from the window's left edge to the score column, where a row begins.
constexpr int RowLeft = 2280;

} // namespace

HighScoreWindow::HighScoreWindow()
    : GreenDialog(HighScoreLayout)
{
    heading_ = placeLabel(new QLabel(this), twips(120, 1200, 1935, 615), QStringLiteral("ハイスコア"), uiFont(21.75),
                          Qt::AlignHCenter);

    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        // The row spans the three cells, from the score's left edge to the name's right edge.
        LabelRow* line = new LabelRow(this);
        line->setGeometry(twips(RowLeft, 480 * row, 8535 - RowLeft, 495));
        // A cell shows its text from the left and cuts it at its own right edge.
        auto cell = [line](int left, int width) {
            QLabel* label = placeLabel(new QLabel(line), twips(left - RowLeft, 0, width, 495), {}, uiFont(18));
            label->setTextFormat(Qt::PlainText);
            return label;
        };
        nameCells_[row - 1] = cell(5760, 2775);
        scoreCells_[row - 1] = cell(RowLeft, 1335);
        levelCells_[row - 1] = cell(3960, 1335);
        rows_[row - 1] = line;
    }
}

void HighScoreWindow::fill(const HighScoreTable& table)
{
    QStringList rowTexts;
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        scoreCell(row)->setText(plainNumberText(table.row(row).score));
        levelCell(row)->setText(table.row(row).level);
        nameCell(row)->setText(table.row(row).name);
        // Read as one: "1 位　100 点　易しい　名前".
        rowTexts << QStringLiteral("%1 位　%2 点　%3　%4")
                        .arg(QString::number(row), scoreCell(row)->text(), levelCell(row)->text(), nameCell(row)->text());
        rows_[row - 1]->setAccessibleName(rowTexts.last());
    }
    // A screen reader reads the description as the window opens: the whole table.
    setAccessibleDescription(rowTexts.join(u'\n'));
}

void HighScoreWindow::pressOk()
{
    // Unloading: the window goes and takes its cells with it.
    unload();
    emit unloaded();
}
