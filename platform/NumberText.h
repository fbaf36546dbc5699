#pragma once

#include <QString>

// The score and the time left: one leading space when the value is 0 or
// more, a minus sign when it is negative.
QString signedNumberText(qint32 value);
// A float is written with at most 7 significant digits and no trailing
// zeros: 39.25 -> " 39.25", 37.0 -> " 37", 0.25 -> " 0.25".
QString signedNumberText(float value);

// The best score and the high-score cells: plain decimal, no leading space.
QString plainNumberText(qint32 value);
