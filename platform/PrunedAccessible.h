#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

#include <functional>

// What assistive tools see of a widget that draws more than it has to say:
// its own role, name and description, and of its child widgets only those
// that are not hidden from them. Leaving a child out hides the child's own
// children with it.
class PrunedAccessible : public QAccessibleWidget {
public:
    // hidden(child) tells whether tools must not see a child widget.
    PrunedAccessible(QWidget* widget, QAccessible::Role role, std::function<bool(const QObject*)> hidden);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    QList<QAccessibleInterface*> shownChildren() const;

    std::function<bool(const QObject*)> hidden_;
};

// For a widget that tools read as one item: they see none of its children.
template <class Widget>
bool hidesEveryChild(const Widget& /*widget*/, const QObject* /*child*/)
{
    return true;
}

// Makes every Widget, subclasses included, report through a PrunedAccessible
// of the role given that hides the children for which hidden(widget, child)
// is true. Installs the factory once, however often it is called; call it
// from Widget's constructor.
template <class Widget, QAccessible::Role role, bool (*hidden)(const Widget&, const QObject*)>
void installPrunedAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString& className, QObject* object) -> QAccessibleInterface* {
            if (className != QLatin1StringView(Widget::staticMetaObject.className()) || !object
                || !object->isWidgetType())
                return nullptr;
            const Widget* widget = static_cast<Widget*>(object);
            return new PrunedAccessible(static_cast<Widget*>(object), role,
                                        [widget](const QObject* child) { return hidden(*widget, child); });
        });
        return true;
    }();
    Q_UNUSED(installed);
}
