#include "platform/FontSetup.h"

#include <QApplication>

#include <cmath>

void SetUpFonts()
{
    QFont::insertSubstitutions(UiFace, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QApplication::setFont(UiFont(9));
}

QFont UiFont(double points, bool bold, bool italic)
{
    QFont font(UiFace);
    font.setPixelSize(int(std::lround(points * 4.0 / 3.0)));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    return font;
}
