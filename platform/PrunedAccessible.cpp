#include "platform/PrunedAccessible.h"

PrunedAccessible::PrunedAccessible(QWidget* widget, QAccessible::Role role,
                                   std::function<bool(const QObject*)> hidden)
    : QAccessibleWidget(widget, role)
    , hidden_(std::move(hidden))
{
}

QList<QAccessibleInterface*> PrunedAccessible::shownChildren() const
{
    QList<QAccessibleInterface*> shown;
    const int all = QAccessibleWidget::childCount();
    for (int index = 0; index < all; ++index) {
        QAccessibleInterface* child = QAccessibleWidget::child(index);
        if (child && !hidden_(child->object()))
            shown.append(child);
    }
    return shown;
}

int PrunedAccessible::childCount() const
{
    return int(shownChildren().size());
}

QAccessibleInterface* PrunedAccessible::child(int index) const
{
    return shownChildren().value(index);
}

int PrunedAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    return int(shownChildren().indexOf(const_cast<QAccessibleInterface*>(child)));
}
