#pragma once

#include <QColor>

class QWidget;

// The pure green that every window and control of the game stands on.
inline const QColor FieldGreen(0, 255, 0);

// Gives a window the green field as its background, with black text.
void paintOnField(QWidget* window);
