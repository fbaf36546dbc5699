#include "scores/Form4.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/GreenField.h"
#include "platform/PlaceLabel.h"
#include "platform/Twips.h"
#include "scores/OneLineText.h"

#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QPainter>
#include <QValidator>

#include <limits>

namespace {

const SmallWindow::Layout Form4Layout{
    QSize(305, 226),
    // One pixel row shorter than the window: the bottom row lies below the frame.
    twips(0, 0, 4575, 3375),
    twips(1440, 2400, 1815, 735),
    twips(1440, 2520, 1815, 615),
    twips(5160, 960, 255, 615),
    QStringLiteral("Form4"),
};

const QRect Shape1 = twips(1080, 1320, 2415, 975);

// Turns line breaks and other control characters, typed or pasted, into
// spaces as they arrive: a name is one line of date.dat.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override
    {
        input = oneLineText(input, &pos);
        return Acceptable;
    }
};

} // namespace

Form4::Form4()
    : SmallWindow(Form4Layout)
{
    Label2 = OkLabel;
    connect(Label2, &ClickLabel::clicked, this, &Form4::Label2_Click);

    Label1 = placeLabel(new QLabel(this), twips(600, 240, 3375, 975),
                        QStringLiteral("ハイスコアです！！下のボックスに名前を入力してください"), uiFont(15.75));
    Label1->setWordWrap(true);
    Label1->lower();

    Text1 = new QLineEdit(this);
    Text1->setGeometry(twips(1200, 1440, 2175, 735));
    Text1->setFont(uiFont(21.75));
    Text1->setFrame(false);
    // A name has no length limit; the widget would otherwise stop at 32767 characters.
    Text1->setMaxLength(std::numeric_limits<int>::max());
    Text1->setValidator(new OneLineValidator(Text1));
    QPalette box = Text1->palette();
    box.setColor(QPalette::Base, FieldGreen);
    box.setColor(QPalette::Text, Qt::black);
    Text1->setPalette(box);

    setTabOrder(Text1, Command1);
    Text1->setFocus();
}

void Form4::Label2_Click()
{
    hide();
}

void Form4::Command1_Click()
{
    Label2_Click();
}

void Form4::paintEvent(QPaintEvent* event)
{
    SmallWindow::paintEvent(event);
    // The frame around the text box: 2 pixels, centred on the rectangle's edge.
    QPainter painter(this);
    QPen pen(Qt::black, 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(Shape1).adjusted(0, 0, -1, -1));
}
