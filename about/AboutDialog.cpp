#include "about/AboutDialog.h"

#include "platform/FontSetup.h"
#include "platform/PlaceLabel.h"
#include "platform/Twips.h"

#include <QIcon>
#include <QLabel>

namespace {

const GreenDialog::Layout AboutLayout{
    QSize(305, 225),
    twips(0, 0, 4575, 3375),
    twips(1440, 2160, 1815, 735),
    twips(1440, 2280, 1815, 615),
    twips(4920, 1080, 135, 180),
    QStringLiteral("Form2"),
    QStringLiteral("バージョン情報"),
};

} // namespace

AboutDialog::AboutDialog()
    : GreenDialog(AboutLayout)
{
    versionLabel_ = placeLabel(new QLabel(this), twips(1440, 600, 2895, 255), QStringLiteral("ぴょこぽん　Ver0.20"),
                               uiFont(14.25, true));
    creditLabel_ = placeLabel(new QLabel(this), twips(1440, 1320, 2895, 255), QStringLiteral("ぱるもぽ　2001 1/1"),
                              uiFont(12, true));

    iconLabel_ = new QLabel(this);
    iconLabel_->setGeometry(twips(480, 960, 495, 615));
    iconLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    iconLabel_->setPixmap(QIcon(QStringLiteral(":/pyokopon.ico")).pixmap(32, 32));
}

void AboutDialog::pressOk()
{
    unload();
}
