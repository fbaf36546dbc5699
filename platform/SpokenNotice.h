#pragma once

#include <QWidget>

// Says a short text to a screen reader whatever has the focus. Qt 6.4 has
// no announcement event, and screen readers speak the changes of the focused
// control only, but they speak a notification as soon as it is shown: this
// widget is one, named by the text, shown anew by every say(). It draws
// nothing and lets the mouse through to what lies under it.
class SpokenNotice : public QWidget {
    Q_OBJECT
public:
    explicit SpokenNotice(QWidget* parent);

    // Names the notice with the text and shows it, again if it was shown;
    // while the parent is hidden, it is shown with the parent.
    void say(const QString& text);
};
