#include "scores/Form3.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/PlaceLabel.h"
#include "platform/NumberText.h"
#include "platform/Twips.h"
#include "scores/HighScoreTable.h"

#include <QLabel>
#include <QPushButton>

namespace {

const SmallWindow::Layout Form3Layout{
    QSize(585, 377),
    twips(0, 0, 8775, 5655),
    twips(240, 3240, 1815, 735),
    twips(240, 3360, 1815, 615),
    twips(9120, 1560, 255, 495),
    QStringLiteral("Form3"),
};

} // namespace

Form3::Form3()
    : SmallWindow(Form3Layout)
{
    Label6 = OkLabel;
    connect(Label6, &ClickLabel::clicked, this, &Form3::Label6_Click);

    Label5 = placeLabel(new QLabel(this), twips(120, 1200, 1935, 615), QStringLiteral("ハイスコア"), uiFont(21.75),
                        Qt::AlignHCenter);

    // A cell shows its text from the left and cuts it at its own right edge.
    auto cell = [this](int left, int row, int width) {
        QLabel* label = placeLabel(new QLabel(this), twips(left, 480 * row, width, 495), {}, uiFont(18));
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    for (int row = 1; row <= 10; ++row) {
        Label2[row] = cell(5760, row, 2775);
        Label1[row] = cell(2280, row, 1335);
        Label3[row] = cell(3960, row, 1335);
    }
}

void Form3::fill(const HighScoreTable& table)
{
    for (int row = 1; row <= HighScoreTable::Rows; ++row) {
        Label1[row]->setText(plainNumberText(table.row(row).score));
        Label3[row]->setText(table.row(row).level);
        Label2[row]->setText(table.row(row).name);
    }
}

void Form3::Label6_Click()
{
    // Unloading: the window goes and takes its cells with it.
    unload();
    emit unloaded();
}

void Form3::Command1_Click()
{
    Label6_Click();
}
