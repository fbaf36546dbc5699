#include "platform/SmallWindow.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/GreenField.h"
#include "platform/PlaceLabel.h"

#include <QGuiApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace {

const QColor Pink(255, 192, 192);
const QColor Red(255, 0, 0);

// A border of the given width drawn inside the rectangle.
void drawInnerBorder(QPainter& painter, const QRect& rect, int width, const QColor& color)
{
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), width), color);
    painter.fillRect(QRect(rect.left(), rect.bottom() - width + 1, rect.width(), width), color);
    painter.fillRect(QRect(rect.left(), rect.top(), width, rect.height()), color);
    painter.fillRect(QRect(rect.right() - width + 1, rect.top(), width, rect.height()), color);
}

} // namespace

SmallWindow::SmallWindow(const Layout& layout)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint)
    , layout_(layout)
{
    setFixedSize(layout.client);
    setWindowTitle(layout.title);
    paintOnField(this);

    OkLabel = placeLabel(new ClickLabel(this), layout.okLabel, QStringLiteral("OK"), uiFont(21.75), Qt::AlignHCenter);

    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    Command1->setGeometry(layout.command);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    // The one control of the window that takes the keyboard: Enter reaches the OK action.
    Command1->setFocus();
}

void SmallWindow::reject()
{
    Command1_Click();
}

void SmallWindow::unload()
{
    unloading_ = true;
    setAttribute(Qt::WA_DeleteOnClose);
    close();
}

void SmallWindow::closeEvent(QCloseEvent* event)
{
    if (!unloading_)
        Command1_Click();
    // The OK action may have unloaded the window (close it now) or only hidden it.
    if (unloading_)
        QWidget::closeEvent(event);
    else
        event->ignore();
}

void SmallWindow::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    drawInnerBorder(painter, layout_.frame, 3, Qt::black);
    painter.fillRect(layout_.face, Pink);
    drawInnerBorder(painter, layout_.face, 5, Red);
}

void SmallWindow::showEvent(QShowEvent* event)
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QDialog::showEvent(event);
}
