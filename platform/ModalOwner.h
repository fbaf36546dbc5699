#pragma once

class QWidget;
class QWindow;

// The window that the program's modal windows and message boxes belong to,
// its main window. Window systems keep a window that names its owner above
// the owner and place it on the owner, X11 by WM_TRANSIENT_FOR and Wayland
// by xdg_toplevel.set_parent; without it a compositor may put a box anywhere,
// even behind the main window. The owner is forgotten when its window is
// destroyed, so a window that outlives it names no owner.
void setModalOwner(QWindow* owner);
QWindow* modalOwner();

// For a top-level window about to be shown: transient for the owner when it
// is shown modally, for no window when it is shown modeless (it may then go
// behind the owner). The window keeps no parent widget, so it can outlive
// the owner.
void attachToModalOwner(QWidget* window);
