#include "about/Form2.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/PlaceLabel.h"
#include "platform/Twips.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {

const SmallWindow::Layout Form2Layout{
    QSize(305, 225),
    twips(0, 0, 4575, 3375),
    twips(1440, 2160, 1815, 735),
    twips(1440, 2280, 1815, 615),
    twips(4920, 1080, 135, 180),
    QStringLiteral("Form2"),
};

} // namespace

Form2::Form2()
    : SmallWindow(Form2Layout)
{
    Label2 = OkLabel;
    connect(Label2, &ClickLabel::clicked, this, &Form2::Label2_Click);

    Label1[0] = placeLabel(new QLabel(this), twips(1440, 600, 2895, 255), QStringLiteral("ぴょこぽん　Ver0.20"),
                           uiFont(14.25, true));
    Label1[1] = placeLabel(new QLabel(this), twips(1440, 1320, 2895, 255), QStringLiteral("ぱるもぽ　2001 1/1"),
                           uiFont(12, true));

    Picture1 = new QLabel(this);
    Picture1->setGeometry(twips(480, 960, 495, 615));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QIcon(QStringLiteral(":/pyokopon.ico")).pixmap(32, 32));
}

void Form2::Label2_Click()
{
    unload();
}

void Form2::Command1_Click()
{
    Label2_Click();
}
