#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Lets the player move a window that has no title bar. A drag with the left
// button that starts on the window's own background (or on a label that
// takes no clicks), never on a control that takes the press, moves the
// window; it starts only once the mouse has gone the application's drag
// distance with the button held, so a click stays a click. Where a program
// may place its windows (X11) the window then follows the mouse by itself,
// moved as far as the mouse from the press. On Wayland, where only the
// compositor places windows, the drag hands the window to the compositor's
// interactive move.
class WindowMover : public QObject {
public:
    // Watches the window's mouse events; the window owns the mover.
    explicit WindowMover(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    bool pressed_ = false;    // the left button went down on the background
    bool following_ = false;  // the window follows the mouse by itself
    QPoint pressedAt_;        // global position of the press
    QPoint startPosition_;    // the window's position at the press
};
