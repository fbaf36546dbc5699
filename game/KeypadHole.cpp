#include "game/KeypadHole.h"

int keypadHole(int key, Qt::KeyboardModifiers modifiers)
{
    if (!modifiers.testFlag(Qt::KeypadModifier))
        return 0;
    if (key >= Qt::Key_1 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    switch (key) {
    case Qt::Key_End: return 1;
    case Qt::Key_Down: return 2;
    case Qt::Key_PageDown: return 3;
    case Qt::Key_Left: return 4;
    case Qt::Key_Clear: return 5;
    case Qt::Key_Right: return 6;
    case Qt::Key_Home: return 7;
    case Qt::Key_Up: return 8;
    case Qt::Key_PageUp: return 9;
    default: return 0;
    }
}
