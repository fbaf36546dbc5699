#pragma once

#include "platform/SmallWindow.h"

class QLabel;
class QLineEdit;

// The name entry. OK only hides the window, so that the caller can still
// read Text1 before it unloads the window.
class Form4 : public SmallWindow {
    Q_OBJECT
public:
    Form4();

    void Label2_Click();
    void Command1_Click() override;

    QLabel* Label1 = nullptr;      // the message
    QLineEdit* Text1 = nullptr;    // the name as typed, on one line
    ClickLabel* Label2 = nullptr;  // the OK label

protected:
    void paintEvent(QPaintEvent* event) override;
};
