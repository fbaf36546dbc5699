#include "platform/GreenDialog.h"

#include "platform/ClickLabel.h"
#include "platform/FontSetup.h"
#include "platform/GreenField.h"
#include "platform/ModalOwner.h"
#include "platform/PlaceLabel.h"
#include "platform/PrunedAccessible.h"

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

// Assistive tools see one OK, the default button, which holds the focus:
// the OK face only offers the same action to the mouse.
bool hidesOkFace(const GreenDialog& dialog, const QObject* child)
{
    return child == dialog.okLabel();
}

} // namespace

GreenDialog::GreenDialog(const Layout& layout)
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint)
    , layout_(layout)
{
    installPrunedAccessible<GreenDialog, QAccessible::Dialog, hidesOkFace>();
    setFixedSize(layout.client);
    setWindowTitle(layout.title);
    setAccessibleName(layout.accessibleName);
    paintOnField(this);

    okLabel_ = placeLabel(new ClickLabel(this), layout.okLabel, QStringLiteral("OK"), uiFont(21.75), Qt::AlignHCenter);
    connect(okLabel_, &ClickLabel::clicked, this, [this] { pressOk(); });

    defaultButton_ = new QPushButton(QStringLiteral("Command1"), this);
    defaultButton_->setGeometry(layout.defaultButton);
    defaultButton_->setDefault(true);
    // Out of sight but holding the focus: assistive tools name it by what it does.
    defaultButton_->setAccessibleName(QStringLiteral("OK"));
    connect(defaultButton_, &QPushButton::clicked, this, [this] { pressOk(); });
    // The one control of the window that takes the keyboard: Enter reaches the OK action.
    defaultButton_->setFocus();
}

void GreenDialog::reject()
{
    pressOk();
}

void GreenDialog::unload()
{
    unloading_ = true;
    setAttribute(Qt::WA_DeleteOnClose);
    close();
}

void GreenDialog::closeEvent(QCloseEvent* event)
{
    if (!unloading_)
        pressOk();
    // The OK action may have unloaded the window (close it now) or only hidden it.
    if (unloading_)
        QWidget::closeEvent(event);
    else
        event->ignore();
}

void GreenDialog::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    drawInnerBorder(painter, layout_.frame, 3, Qt::black);
    painter.fillRect(layout_.face, Pink);
    drawInnerBorder(painter, layout_.face, 5, Red);
}

void GreenDialog::showEvent(QShowEvent* event)
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    attachToModalOwner(this);
    QDialog::showEvent(event);
}
