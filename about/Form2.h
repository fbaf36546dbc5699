#pragma once

#include "platform/SmallWindow.h"

class QLabel;

// The version window: the program's name and version, the credit line and
// the icon. Every text is fixed.
class Form2 : public SmallWindow {
    Q_OBJECT
public:
    Form2();

    void Label2_Click();
    void Command1_Click() override;

    QLabel* Label1[2] = {};        // [0] name and version, [1] credit line
    QLabel* Picture1 = nullptr;    // the program's icon
    ClickLabel* Label2 = nullptr;  // the OK label
};
