#include "scores/NameEntryDialog.h"

#include "platform/FontSetup.h"
#include "platform/GreenField.h"
#include "platform/PlaceLabel.h"
#include "platform/Twips.h"
#include "scores/HighScoreFormat.h"
#include "scores/OneLineText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPainter>
#include <QValidator>

namespace {

const GreenDialog::Layout NameEntryLayout{
    QSize(305, 226),
    // One pixel row shorter than the window: the bottom row lies below the frame.
    twips(0, 0, 4575, 3375),
    twips(1440, 2400, 1815, 735),
    twips(1440, 2520, 1815, 615),
    twips(5160, 960, 255, 615),
    QStringLiteral("Form4"),
    QStringLiteral("名前の入力"),
};

// The frame drawn around the name box.
const QRect NameBoxFrame = twips(1080, 1320, 2415, 975);

// Turns line breaks and other control characters, typed or pasted, into
// spaces as they arrive: a name is one line of date.dat. The box stops at
// the field limit; where it cut a pasted surrogate pair in two, before the
// cursor, the half it kept goes too.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override
    {
        input = oneLineText(input, &pos);
        const bool pairCut = pos > 0 && input.at(pos - 1).isHighSurrogate()
            && (pos == input.size() || !input.at(pos).isLowSurrogate());
        if (pairCut)
            input.remove(--pos, 1);
        return Acceptable;
    }
};

} // namespace

NameEntryDialog::NameEntryDialog()
    : GreenDialog(NameEntryLayout)
{
    messageLabel_ = placeLabel(new QLabel(this), twips(600, 240, 3375, 975),
                               QStringLiteral("ハイスコアです！！下のボックスに名前を入力してください"), uiFont(15.75));
    messageLabel_->setWordWrap(true);
    messageLabel_->lower();
    // Assistive tools read the message with the window's name.
    setAccessibleDescription(messageLabel_->text());

    nameEdit_ = new QLineEdit(this);
    nameEdit_->setAccessibleName(QStringLiteral("名前"));
    nameEdit_->setGeometry(twips(1200, 1440, 2175, 735));
    nameEdit_->setFont(uiFont(21.75));
    nameEdit_->setFrame(false);
    // What the store keeps of a name; a longer paste is cut here already.
    nameEdit_->setMaxLength(int(HighScoreFieldLimit));
    nameEdit_->setValidator(new OneLineValidator(nameEdit_));
    QPalette box = nameEdit_->palette();
    box.setColor(QPalette::Base, FieldGreen);
    box.setColor(QPalette::Text, Qt::black);
    nameEdit_->setPalette(box);

    setTabOrder(nameEdit_, defaultButton());
    nameEdit_->setFocus();
}

QString NameEntryDialog::name() const
{
    return nameEdit_->text();
}

void NameEntryDialog::pressOk()
{
    hide();
}

void NameEntryDialog::paintEvent(QPaintEvent* event)
{
    GreenDialog::paintEvent(event);
    // The frame around the text box: 2 pixels, centred on the rectangle's edge.
    QPainter painter(this);
    QPen pen(Qt::black, 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(QRectF(NameBoxFrame).adjusted(0, 0, -1, -1));
}
