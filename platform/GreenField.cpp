#include "platform/GreenField.h"

#include <QPalette>
#include <QWidget>

void paintOnField(QWidget* window)
{
    QPalette field = window->palette();
    field.setColor(QPalette::Window, FieldGreen);
    field.setColor(QPalette::WindowText, Qt::black);
    field.setColor(QPalette::ButtonText, Qt::black);
    window->setPalette(field);
    window->setAutoFillBackground(true);
}
