#include "scores/Form3.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace {

const SmallWindow::Layout Form3Layout{
    QSize(585, 377),
    Twips(0, 0, 8775, 5655),
    Twips(240, 3240, 1815, 735),
    Twips(240, 3360, 1815, 615),
    Twips(9120, 1560, 255, 495),
};

} // namespace

Form3::Form3()
    : SmallWindow(Form3Layout)
{
    setWindowTitle(QStringLiteral("Form3"));
    Label6 = OkLabel;
    connect(Label6, &ClickLabel::clicked, this, &Form3::Label6_Click);

    Label5 = new QLabel(QStringLiteral("ハイスコア"), this);
    Label5->setGeometry(Twips(120, 1200, 1935, 615));
    Label5->setFont(UiFont(21.75));
    Label5->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    // A cell shows its text from the left and cuts it at its own right edge.
    auto cell = [this](int left, int row, int width) {
        QLabel* label = new QLabel(this);
        label->setGeometry(Twips(left, 480 * row, width, 495));
        label->setFont(UiFont(18));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    for (int row = 1; row <= 10; ++row) {
        Label2[row] = cell(5760, row, 2775);
        Label1[row] = cell(2280, row, 1335);
        Label3[row] = cell(3960, row, 1335);
    }
    Label6->raise();
    Command1->raise();
    Command1->setFocus();
}

void Form3::Label6_Click()
{
    // Unloading: the window goes and takes its cells with it.
    Unload();
    emit unloaded();
}

void Form3::Command1_Click()
{
    Label6_Click();
}
