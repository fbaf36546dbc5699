#include "platform/ModalOwner.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

QPointer<QWindow>& owner()
{
    static QPointer<QWindow> current;
    return current;
}

} // namespace

void setModalOwner(QWindow* window)
{
    owner() = window;
}

QWindow* modalOwner()
{
    return owner();
}

void attachToModalOwner(QWidget* window)
{
    window->winId();  // creates the native window, and with it the windowHandle()
    window->windowHandle()->setTransientParent(window->isModal() ? modalOwner() : nullptr);
}
