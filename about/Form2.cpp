#include "about/Form2.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/Twips.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

const SmallWindow::Layout Form2Layout{
    QSize(305, 225),
    Twips(0, 0, 4575, 3375),
    Twips(1440, 2160, 1815, 735),
    Twips(1440, 2280, 1815, 615),
    Twips(4920, 1080, 135, 180),
};

} // namespace

Form2::Form2()
    : SmallWindow(Form2Layout)
{
    setWindowTitle(QStringLiteral("Form2"));
    Label2 = OkLabel;
    connect(Label2, &ClickLabel::clicked, this, &Form2::Label2_Click);

    auto line = [this](int top, const QString& text, double points) {
        QLabel* label = new QLabel(text, this);
        label->setGeometry(Twips(1440, top, 2895, 255));
        label->setFont(UiFont(points, true));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    };
    Label1[0] = line(600, QStringLiteral("ぴょこぽん　Ver0.20"), 14.25);
    Label1[1] = line(1320, QStringLiteral("ぱるもぽ　2001 1/1"), 12);

    Picture1 = new QLabel(this);
    Picture1->setGeometry(Twips(480, 960, 495, 615));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QIcon(QStringLiteral(":/pyokopon.ico")).pixmap(32, 32));

    OkLabel->raise();
    Command1->raise();
    Command1->setFocus();
}

void Form2::Label2_Click()
{
    Unload();
}

void Form2::Command1_Click()
{
    Label2_Click();
}
