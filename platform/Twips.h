#pragma once

#include <QRect>

// Layouts are designed in twips, 15 to a pixel at 96 dots per inch.
constexpr int TwipsPerPixel = 15;

constexpr QRect twips(int left, int top, int width, int height)
{
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel, height / TwipsPerPixel);
}
