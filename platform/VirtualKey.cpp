#include "platform/VirtualKey.h"

namespace {

// The keypad's keys with NumLock off, in the order of the digits 0 to 9.
constexpr Qt::Key NavigationKeypad[10] = {
    Qt::Key_Insert, Qt::Key_End, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Left,
    Qt::Key_Clear, Qt::Key_Right, Qt::Key_Home, Qt::Key_Up, Qt::Key_PageUp,
};

} // namespace

int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? VirtualKey::Numpad0 + (qtKey - Qt::Key_0) : qtKey;
    if (keypad) {
        for (int digit = 0; digit < 10; ++digit) {
            if (qtKey == NavigationKeypad[digit])
                return VirtualKey::Numpad0 + digit;
        }
        return 0;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey; // Qt reports the upper-case code for both cases
    if (qtKey == Qt::Key_Space)
        return VirtualKey::Space;
    return 0;
}
