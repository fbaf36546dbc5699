#include "platform/ClickLabel.h"

#include "platform/ClickLabelAccessible.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

ClickLabel::ClickLabel(QWidget* parent)
    : QLabel(parent)
{
    installClickLabelAccessible();
}

void ClickLabel::click()
{
    emit clicked();
}

void ClickLabel::paintEvent(QPaintEvent* event)
{
    const QPixmap picture = pixmap();
    if (picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    // QLabel would smooth a picture whose pixel ratio differs from the screen's.
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}
