#include "platform/WindowMover.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {

// Wayland lets no program place its own window; X11 does.
bool windowSystemPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1StringView("wayland"));
}

} // namespace

WindowMover::WindowMover(QWidget* window)
    : QObject(window)
    , window_(window)
{
    window->installEventFilter(this);
}

bool WindowMover::eventFilter(QObject* watched, QEvent* event)
{
    // A press that a control took never reaches the window, and neither do
    // the moves that follow it while the button is held.
    if (watched != window_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        pressed_ = mouse->button() == Qt::LeftButton;
        following_ = false;
        pressedAt_ = mouse->globalPosition().toPoint();
        startPosition_ = window_->pos();
        return false;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!pressed_ || !mouse->buttons().testFlag(Qt::LeftButton))
            return false;
        const QPoint moved = mouse->globalPosition().toPoint() - pressedAt_;
        if (!following_) {
            if (moved.manhattanLength() < QApplication::startDragDistance())
                return false;
            // A window system that places windows by itself takes the mouse
            // from here until the button is released, and moves the window
            // only as far as the mouse goes from now on. Elsewhere the window
            // follows the mouse from the press on, staying under it exactly.
            if (windowSystemPlacesWindows() && window_->windowHandle()->startSystemMove()) {
                pressed_ = false;
                return true;
            }
            following_ = true;
        }
        window_->move(startPosition_ + moved);
        return true;
    }
    case QEvent::MouseButtonRelease:
        pressed_ = following_ = false;
        return false;
    default:
        return false;
    }
}
