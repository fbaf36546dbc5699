#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// Sets a label up the way every label of these windows is: a fixed
// rectangle, its text and font, and the text at the top of the rectangle
// with the given horizontal alignment. Returns the label.
template <class Label>
Label* placeLabel(Label* label, const QRect& where, const QString& text, const QFont& font,
                  Qt::Alignment horizontal = Qt::AlignLeft)
{
    label->setGeometry(where);
    label->setText(text);
    label->setFont(font);
    label->setAlignment(horizontal | Qt::AlignTop);
    return label;
}
