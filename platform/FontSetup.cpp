#include "platform/FontSetup.h"

#include <QApplication>

#include <cmath>

void setUpFonts()
{
    QFont::insertSubstitutions(UiFace, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QApplication::setFont(uiFont(9));
}

QFont uiFont(double points, bool bold, bool italic)
{
    QFont font(UiFace);
    font.setPixelSize(int(std::lround(points * 4.0 / 3.0)));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    return font;
}
