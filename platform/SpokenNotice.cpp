#include "platform/SpokenNotice.h"

#include "platform/PrunedAccessible.h"

SpokenNotice::SpokenNotice(QWidget* parent)
    : QWidget(parent)
{
    installPrunedAccessible<SpokenNotice, QAccessible::Notification, hidesEveryChild<SpokenNotice>>();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Not shown with the parent: a screen reader would speak it, empty.
    hide();
}

void SpokenNotice::say(const QString& text)
{
    setAccessibleName(text);
    // Hiding and showing within one event, with nothing to draw, changes
    // nothing on the screen; assistive tools see the notice shown.
    hide();
    show();
}
