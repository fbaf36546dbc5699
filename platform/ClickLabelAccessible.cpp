#include "platform/ClickLabelAccessible.h"

#include "platform/ClickLabel.h"

#include <QMetaObject>

namespace {

QAccessibleInterface* clickLabelFactory(const QString& className, QObject* object)
{
    if (className == QLatin1StringView(ClickLabel::staticMetaObject.className()) && object && object->isWidgetType())
        return new ClickLabelAccessible(static_cast<ClickLabel*>(object));
    return nullptr;
}

} // namespace

ClickLabelAccessible::ClickLabelAccessible(ClickLabel* label)
    : QAccessibleWidget(label, QAccessible::Button)
{
}

ClickLabel* ClickLabelAccessible::label() const
{
    return static_cast<ClickLabel*>(widget());
}

QString ClickLabelAccessible::text(QAccessible::Text t) const
{
    const QString own = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && own.isEmpty())
        return label()->text();
    return own;
}

QStringList ClickLabelAccessible::actionNames() const
{
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void ClickLabelAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // Queued: a command may open a modal window, and the tool that asked
    // for the press must get its answer without waiting for that window.
    QMetaObject::invokeMethod(label(), &ClickLabel::click, Qt::QueuedConnection);
}

void installClickLabelAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(clickLabelFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
