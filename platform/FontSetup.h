#pragma once

#include <QFont>
#include <QString>

// The face every control names; a metric-compatible face stands in for it
// where it is not installed.
inline const QString UiFace = QStringLiteral("ＭＳ Ｐゴシック");

// Registers the stand-in face and makes the face the default font.
void setUpFonts();

// A font of the controls' face. Sizes are in points at 96 dots per inch and
// are set in pixels (points × 4 / 3), so the layout holds at any DPI setting.
QFont uiFont(double points, bool bold = false, bool italic = false);
