#pragma once

#include <Qt>

// The hole (1..9) a numeric keypad key stands for, laid out as the keypad
// is; 0 for any other key, keypad 0 and the digit row included. With
// NumLock off the keypad reports navigation keys (End for 1, Up for 8...)
// that still carry Qt::KeypadModifier: they stand for the same holes.
int keypadHole(int key, Qt::KeyboardModifiers modifiers);
