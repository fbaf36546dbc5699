#pragma once

#include <Qt>

// The platform's virtual key codes the game reacts to.
namespace VirtualKey {
constexpr int Space = 32;
constexpr int H = 72;
constexpr int Q = 81;
constexpr int S = 83;
constexpr int V = 86;
constexpr int Numpad0 = 96;
constexpr int Numpad1 = 97;
constexpr int Numpad9 = 105;
}

// Translates a Qt key press into the virtual key code: Space 32, letters
// 65-90 whatever the case or modifiers, the digit row 48-57, keypad 0-9
// 96-105. Keypad keys give the same code with NumLock off, when Qt reports
// them as navigation keys carrying the keypad flag. Other keys give 0.
int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
