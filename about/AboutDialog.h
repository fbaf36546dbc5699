#pragma once

#include "platform/GreenDialog.h"

class QLabel;

// The version window: the program's name and version, the credit line and
// the icon. Every text is fixed; OK unloads it.
class AboutDialog : public GreenDialog {
    Q_OBJECT
public:
    AboutDialog();

    void pressOk() override;

    QLabel* versionLabel() const { return versionLabel_; }
    QLabel* creditLabel() const { return creditLabel_; }
    QLabel* iconLabel() const { return iconLabel_; }

private:
    QLabel* versionLabel_ = nullptr;
    QLabel* creditLabel_ = nullptr;
    QLabel* iconLabel_ = nullptr;
};
